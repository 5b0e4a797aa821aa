#pragma once
// The memory figures port: the machine's total and available physical memory.

#include <cstdint>
#include <string_view>

namespace sheetwise::host {

struct MemoryStatus {
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;
};

class MemoryFigures {
 public:
  virtual ~MemoryFigures() = default;
  // Taken afresh on every call.
  virtual MemoryStatus read() = 0;
};

// The figures of /proc/meminfo (MemTotal and MemAvailable).
class ProcMemoryFigures final : public MemoryFigures {
 public:
  // Both figures 0 when the file cannot be read or lacks either line.
  MemoryStatus read() override;
};

// MemTotal and MemAvailable of a /proc/meminfo text, kB turned into bytes;
// both 0 when either line is missing or unreadable.
MemoryStatus ParseMeminfo(std::string_view text);

}  // namespace sheetwise::host

#include "host/OfficeMemoryLimit.h"

#include <algorithm>

namespace sheetwise::host {

std::uint64_t DefaultOfficeMemoryLimit(const MemoryStatus& machine, int offices) {
  const std::uint64_t share = machine.totalBytes / 2 / static_cast<std::uint64_t>(std::max(offices, 1));
  return std::max(share, kOfficeMemoryFloor);
}

std::uint64_t Megabytes(std::uint64_t bytes) { return bytes >> 20; }

}  // namespace sheetwise::host

#pragma once
// A file the batch command writes as the run goes (the report, the
// extraction CSV). Every write is checked. A piece that cannot be written
// whole is taken back, so the file always ends with the last complete piece;
// the first failure, naming the file and the cause (a full disk, a file or
// folder removed meanwhile), is kept, and nothing more is written.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/FileDescriptor.h"

namespace sheetwise::batch {

class OutputFile {
 public:
  // Creates or empties path; throws std::runtime_error with the reason when it cannot.
  explicit OutputFile(const std::filesystem::path& path);
  // Opens path to append after its first keptBytes, cutting off what follows
  // (a piece cut short by a killed run); creates it when missing.
  OutputFile(const std::filesystem::path& path, std::uintmax_t keptBytes);

  // Appends piece; false (with failure() set) when it could not be written whole.
  bool write(std::string_view piece);
  // Closes the file, checking that the system took everything.
  void close();
  const std::optional<std::string>& failure() const { return failure_; }
  // The failure was a full disk (or quota), which another try may not meet.
  bool diskFull() const { return diskFull_; }

 private:
  void fail(int error);

  std::filesystem::path path_;
  host::FileDescriptor fd_;
  off_t length_ = 0;  // of what was written whole
  std::optional<std::string> failure_;
  bool diskFull_ = false;
};

}  // namespace sheetwise::batch

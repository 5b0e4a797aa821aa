#pragma once
// The error log file: each entry appended as one line, "yyyy-MM-dd HH:mm:ss"
// immediately followed by the entry's text, CR LF. The file is opened, written
// and closed for every entry; a file that cannot be written never stops a run.

#include <filesystem>
#include <optional>
#include <string>

#include "batch/LogEntries.h"
#include "host/Clock.h"

namespace sheetwise::batch {

class LogFile {
 public:
  // A relative file is resolved against the current directory at each entry.
  LogFile(host::Clock& clock, std::filesystem::path file = std::filesystem::path(kLogFileName))
      : clock_(clock), file_(std::move(file)) {}

  // Returns the date and time written before the entry.
  std::string append(const std::string& entry);
  const std::filesystem::path& file() const { return file_; }

  // Forgets the write failure of the previous run.
  void startRun();
  // The first write failure of this run (naming the file and the reason), once.
  std::optional<std::string> takeWriteFailureNotice();
  // A write of this run failed on a full disk (or quota).
  bool diskFull() const { return diskFull_; }

 private:
  void recordWriteFailure(int error);

  host::Clock& clock_;
  std::filesystem::path file_;
  std::optional<std::string> failure_;
  bool noticeGiven_ = false;
  bool diskFull_ = false;
};

}  // namespace sheetwise::batch

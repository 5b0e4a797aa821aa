#pragma once

#include <stdexcept>
#include <string>

namespace sheetwise::host {

// Every failure of the spreadsheet host: the message says what failed.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure that another try may well not meet (the disk was full): a
// scheduler may run the work again.
class TemporaryFailure : public HostError {
 public:
  using HostError::HostError;
};

// The office ran into its memory limit: the workbook fails, the office is ended
// and the next use starts a new one. Another try meets the same limit.
class OfficeMemoryExceeded : public HostError {
 public:
  using HostError::HostError;
};

// The machine lacks what an office needs to run (LibreOffice itself, a folder
// it can write): every try fails the same way until that is mended.
class SetupError : public HostError {
 public:
  using HostError::HostError;
};

// The spreadsheet application itself cannot be started: no workbook can be
// processed until that is mended, so a batch stops instead of failing each file.
// temporary() tells whether another try may start it (it ended at once, did not
// answer, no process could be made) or not (a SetupError).
class HostUnavailable : public HostError {
 public:
  explicit HostUnavailable(const std::string& what, bool temporary = true)
      : HostError(what), temporary_(temporary) {}
  bool temporary() const { return temporary_; }

 private:
  bool temporary_;
};

}  // namespace sheetwise::host

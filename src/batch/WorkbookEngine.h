#pragma once
// Everything that happens to one source workbook in editing mode: opened
// hidden, tested against the veto condition, edited by the whole rule list in
// order and saved under its output path or over itself. Every veto and failure
// becomes exactly one error-log entry; nothing is shown and nothing stops the
// batch. Only an office that cannot be started at all reaches the caller
// (host::HostUnavailable).

#include <string>

#include "batch/ErrorLog.h"
#include "host/Spreadsheet.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

class WorkbookEngine {
 public:
  WorkbookEngine(ui::Form1& form, host::Application& office, ErrorLog& log)
      : form_(form), office_(office), log_(log) {}

  void ProcessWorkbook(const std::string& path);
  // Why the last workbook failed, "" when it did not (for diagnostics only).
  const std::string& lastFailure() const { return lastFailure_; }

 private:
  ui::Form1& form_;
  host::Application& office_;
  ErrorLog& log_;
  std::string lastFailure_;
};

}  // namespace sheetwise::batch

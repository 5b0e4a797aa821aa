#pragma once
// Extraction mode for one workbook: every entry of the rule list is taken as an
// ExtractCell entry and reads one cell of the workbook's first worksheet, in
// list order. Each read appends its line to the hidden list xiaotou and its
// record to the results. The workbook is opened once, read-only, and only when
// there is an entry to read; nothing is edited or saved.
//
// A failure (an entry whose row is not a number or that has no column, a cell
// the reader cannot read, a workbook that cannot be opened) ends this workbook
// only: its lines so far stay, the processing-error entry is logged and the
// call returns. Only an office that cannot be started reaches the caller
// (host::HostUnavailable).

#include <string>

#include "batch/ErrorLog.h"
#include "extract/ExtractionResults.h"
#include "host/Spreadsheet.h"
#include "ui/Form1.h"

namespace sheetwise::extract {

class ExtractionRun {
 public:
  ExtractionRun(ui::Form1& form, ExtractionResults& results, host::Application& office, batch::ErrorLog& log)
      : form_(form), results_(results), office_(office), log_(log) {}

  void ExtractWorkbook(const std::string& path);

 private:
  void readAll(const std::string& path);

  ui::Form1& form_;
  ExtractionResults& results_;
  host::Application& office_;
  batch::ErrorLog& log_;
};

}  // namespace sheetwise::extract

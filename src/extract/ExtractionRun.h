#pragma once
// Extraction mode for one workbook: every entry is taken as an ExtractCell
// entry and reads one cell of the workbook's first worksheet, in order. The
// workbook is opened once, read-only, and only when there is an entry to read;
// nothing is edited or saved.
//
// A failure (an entry that could not be read as a cell, a cell
// the reader cannot read, a workbook that cannot be opened) ends this workbook
// only: the records read so far are returned, the processing-error entry is
// logged with its reason. Only an office that cannot be started reaches the
// caller (host::HostUnavailable).

#include <string>
#include <vector>

#include "batch/RunLog.h"
#include "extract/ExtractionResults.h"
#include "host/Spreadsheet.h"
#include "rules/ParsedRule.h"

namespace sheetwise::extract {

class ExtractionRun {
 public:
  ExtractionRun(host::Application& office, batch::RunLog& log) : office_(office), log_(log) {}

  // entries: the rule list read for extraction (rules::ParseExtractRule).
  ExtractionResults ExtractWorkbook(const std::string& path, const std::vector<rules::ParsedRule>& entries);

 private:
  host::Application& office_;
  batch::RunLog& log_;
};

}  // namespace sheetwise::extract

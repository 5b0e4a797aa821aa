#pragma once
// Reads cells of a workbook's first worksheet, whatever its name, as text.
// Rows and columns count from 1; an empty cell is the empty text. Every failure
// (the file cannot be opened, the workbook has no worksheet, a cell outside the
// sheet, an error value) reaches the caller as a host::HostError.

#include <memory>
#include <string>

#include "host/Spreadsheet.h"

namespace sheetwise::extract {

// One workbook, opened read-only on the first read and kept open for the reads
// that follow; it closes, unsaved, with the reader.
class FirstSheetReader {
 public:
  FirstSheetReader(host::Application& office, std::string path);

  std::string cellText(int row, int column);

 private:
  host::Worksheet& sheet();

  host::Application& office_;
  std::string path_;
  std::unique_ptr<host::Workbook> book_;
  std::unique_ptr<host::Worksheet> sheet_;  // after book_: released first
};

// One cell of the first worksheet of the workbook at path, opened for this read alone.
std::string ReadExecl2(host::Application& office, const std::string& path, int row, int column);

}  // namespace sheetwise::extract

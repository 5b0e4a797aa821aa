#pragma once
// What a file under an .xls name really holds, read before the office sees it:
// only Excel binary workbooks are handed on, with the import filter to use and
// the sheet the file stores as active.

#include <optional>
#include <string>

namespace sheetwise::host {

struct WorkbookFileInfo {
  std::string filterName;  // the office's import filter for this format
  bool encrypted = false;  // the workbook stream is encrypted (FILEPASS)
  int activeTab = 0;       // zero-based, as the file's WINDOW1 record stores it
};

// Throws HostError naming the file's real type when it is not an Excel binary
// workbook (missing, empty, text, HTML, XML, ZIP, another OLE2 document, damaged).
WorkbookFileInfo InspectWorkbookFile(const std::string& path);

// The width the file stores for a column of the first worksheet (COLINFO, in
// 1/256 of a character), if it stores one. Used to measure the office's export.
std::optional<int> StoredColumnWidth(const std::string& path, int column);

}  // namespace sheetwise::host

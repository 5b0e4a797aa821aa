#pragma once
// What a workbook file really holds, read from its content before the office
// sees it, whatever its name says: Excel binary workbooks (.xls), Office Open
// XML workbooks with or without macros (.xlsx, .xlsm) and OpenDocument
// spreadsheets (.ods) are handed on, with the filters to read and write them
// and the sheet the file stores as active.

#include <optional>
#include <string>

namespace sheetwise::host {

enum class WorkbookFormat { Xls, Xlsx, Xlsm, Ods };

struct WorkbookFileInfo {
  std::string filterName;  // the office's import filter for this format
  bool encrypted = false;  // the workbook stream is encrypted (FILEPASS)
  int activeTab = 0;       // zero-based, as the file stores it (WINDOW1, workbookView)
  WorkbookFormat format = WorkbookFormat::Xls;
  std::string exportFilter = "MS Excel 97";  // the office's filter that writes the format
  // The active sheet by name, where the file stores it so (.ods settings); "" otherwise.
  std::string activeSheetName = {};
};

// Throws HostError naming the file's real type when it is no workbook of these
// formats (missing, empty, text, HTML, another zip or OLE2 document, damaged),
// and saying so when it is encrypted with a password (.xlsx, .xlsm, .ods).
WorkbookFileInfo InspectWorkbookFile(const std::string& path);

// ".xls", ".xlsx", ".xlsm", ".ods".
std::string FormatExtension(WorkbookFormat format);

// The format in the user's terms, translated ("an Office Open XML workbook (.xlsx)").
std::string FormatDescription(WorkbookFormat format);

// The most rows and columns a sheet of the format has; none where the format
// leaves it to the program (.ods).
std::optional<int> FormatRowLimit(WorkbookFormat format);
std::optional<int> FormatColumnLimit(WorkbookFormat format);

// What to say when the file's name gives another format than its content
// ("" when they agree): it is edited and written in its real format, under its name.
std::string MisnamedNotice(const std::string& path, WorkbookFormat format);

// The width the file stores for a column of the first worksheet (COLINFO, in
// 1/256 of a character), if it stores one. Used to measure the office's export.
std::optional<int> StoredColumnWidth(const std::string& path, int column);

}  // namespace sheetwise::host

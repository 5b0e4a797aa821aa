#pragma once
// What a saved .xlsx, .xlsm or .ods holds as independent readers (openpyxl,
// odfpy) see it, and test workbooks made by them (tests/support/book_tool.py).

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace sheetwise::test {

struct BookSnapshot {
  using At = std::tuple<int, int, int>;  // sheet (from 0), row, column (from 1)
  std::vector<std::string> sheets;
  int active = -1;
  std::map<At, std::string> cells;
  std::map<At, std::string> fonts;  // "NAME/BOLD"
  std::set<std::string> merges;     // "SHEET FIRSTROW LASTROW FIRSTCOL LASTCOL"
  std::map<std::pair<int, int>, std::string> rowHeights, columnWidths;
  std::set<std::pair<int, int>> hiddenRows, hiddenColumns;  // (sheet, row or column)
  std::map<std::string, std::string> parts;  // zip part -> SHA-256
  std::string value(int sheet, int row, int column) const;
  // The cells of one sheet, (row, column) -> value.
  std::map<std::pair<int, int>, std::string> sheetCells(int sheet) const;
};

// What the Python script at the path script prints when run with args
// (quoted by the caller); throws when it fails.
std::string RunTestTool(const std::string& script, const std::string& args);

// Reads path; throws when the readers cannot.
BookSnapshot ReadBook(const std::string& path);

// Writes a workbook of kind "xlsx" or "ods" to path: Sheet1 with a header row
// in bold Arial over four rows of names, numbers and texts (A5 in SimSun), and
// a sheet Other. "xlsx-active", "ods-active": the same, Other stored as the
// active sheet; "zip": a zip archive that holds no workbook.
void MakeBook(const std::string& kind, const std::string& path);

}  // namespace sheetwise::test

#pragma once
// What a saved .xls holds as an independent reader (xlrd) sees it.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace sheetwise::test {

struct XlsCell {
  int type = 0;  // xlrd: 0 empty, 1 text, 2 number, 3 date, 4 bool, 5 error, 6 blank
  std::string value;
  bool bold = false;
  int horizontalAlign = 0;  // 2 centre
  int verticalAlign = 0;    // 1 centre
  std::string borders;      // top,bottom,left,right line styles
  bool wrapped = false;
  // Rich text: "offset:font/weight/colour" per run, space-separated, a run in
  // the font of the run before it left out; "" for text in one font.
  std::string runs;
};

struct XlsMerge {
  int firstRow, lastRow, firstColumn, lastColumn;  // 1-based, inclusive
  bool operator==(const XlsMerge&) const = default;
};

struct XlsSheet {
  std::string name;
  bool selected = false;
  int visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
  std::map<std::pair<int, int>, XlsCell> cells;  // (row, column), 1-based
  std::vector<XlsMerge> merges;
  std::map<int, int> rowHeights;    // row -> twips
  std::map<int, int> columnWidths;  // column -> 1/256 characters
  std::set<int> hiddenRows, hiddenColumns;

  // The cell's value text, "" when the cell is absent.
  std::string value(int row, int column) const;
  const XlsCell* cell(int row, int column) const;
};

struct XlsSnapshot {
  std::vector<XlsSheet> sheets;
  // Every entry of the compound file by its path ("_VBA_PROJECT_CUR/VBA/dir"):
  // a stream's size and digest; "" for a storage (its path ending in "/").
  std::map<std::string, std::string> entries;
  std::vector<std::string> names;  // each defined name: "NAME SCOPE BUILTIN" (scope -1: the workbook)
  int activeSheet() const;  // the first selected sheet
};

// Reads path with xlrd; throws when xlrd cannot read it.
XlsSnapshot ReadWithXlrd(const std::string& path);

}  // namespace sheetwise::test

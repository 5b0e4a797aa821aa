#pragma once
// What an .xls holds, read from its records without the office: the sheet
// list with visibility and type, every cell's value (formulas with their stored
// results), the font of each cell and the macro storage.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sheetwise::verify {

enum class ValueKind { Number, Text, Bool, Error };

struct CellValue {
  ValueKind kind = ValueKind::Text;
  std::string text;      // the value as text: numbers exactly, TRUE/FALSE, #N/A...
  bool formula = false;  // the value is a formula's stored result
  bool volatileFormula = false;  // a formula computed at every load (RAND, NOW, INDIRECT...)
  std::string font;      // the name of the cell's font
};

struct SheetContent {
  std::string name;
  int visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
  int type = 0;        // 0 worksheet, 1 macro sheet, 2 chart sheet, 6 module
  std::map<std::pair<int, int>, CellValue> cells;  // (row, column), from 1
};

struct XlsContent {
  std::vector<SheetContent> sheets;
  int activeSheet = 0;             // zero-based, as WINDOW1 stores it
  std::vector<std::string> fonts;  // the font table's names, in order (cells name theirs)
  std::string macroStorage;        // a digest of every stream below _VBA_PROJECT_CUR; "" without one
};

// What one reading may hold, so that the check of a save (two readings at a
// time) stays within a fixed amount of memory whatever a file claims: its
// workbook stream, and its entries: the cells of all its sheets together (a
// sheet listed twice counts twice), its shared texts, sheets and fonts.
inline constexpr size_t kMaxStreamBytesRead = 64u << 20;
inline constexpr size_t kMaxEntriesRead = 1'000'000;

// Throws host::HostError, saying why without naming the file, when it cannot
// be read as an Excel 97-2003 workbook or holds more than the limits above.
XlsContent ReadXlsContent(const std::string& path);

// The value in the user's words: a number, a quoted text, "empty", a formula's result.
std::string DescribeValue(const CellValue& value);

}  // namespace sheetwise::verify

#pragma once
// What an .xls holds, read from its records without the office: the sheet
// list with visibility and type, every cell's value (formulas with their stored
// results), the font of each cell and the font runs of its text, formulas'
// expressions, the macro storage and the container's top-level entries.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "verify/FormulaTokens.h"

namespace sheetwise::verify {

enum class ValueKind { Number, Text, Bool, Error };

// A stretch of a cell's text in one font, from a character (UTF-16 units, from 0) on.
struct TextRun {
  int first = 0;
  std::string font;  // name, size, and what else sets it apart: "Arial 10pt bold #FF0000"
  bool operator==(const TextRun&) const = default;
};

struct CellValue {
  ValueKind kind = ValueKind::Text;
  std::string text;      // the value as text: numbers exactly, TRUE/FALSE, #N/A...
  bool formula = false;  // the value is a formula's stored result
  bool volatileFormula = false;  // a formula computed at every load (RAND, NOW, INDIRECT...)
  std::string font;      // the name of the cell's font
  std::vector<TextRun> runs;  // a text in several fonts, from the first run; empty for one font
};

struct SheetContent {
  std::string name;
  int visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
  int type = 0;        // 0 worksheet, 1 macro sheet, 2 chart sheet, 6 module
  std::map<std::pair<int, int>, CellValue> cells;  // (row, column), from 1
  std::map<std::pair<int, int>, std::vector<uint8_t>> formulas;  // each formula cell's expression
  std::vector<SharedFormula> sharedFormulas;                      // shared and array formulas
};

struct XlsContent {
  std::vector<SheetContent> sheets;
  int activeSheet = 0;             // zero-based, as WINDOW1 stores it
  std::vector<std::string> fonts;  // the font table's names, in order (cells name theirs)
  std::string macroStorage;        // a digest of every stream below _VBA_PROJECT_CUR; "" without one
  FormulaLinks links;              // what formulas refer through: other books, sheet ranges, names
  std::vector<std::string> entries;  // the names of the container's top-level streams and storages
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

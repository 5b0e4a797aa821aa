#pragma once
// A formula's parsed expression as an .xls stores it (BIFF8 tokens), read for
// what its result can depend on: the cell areas and defined names it refers
// to, and whether it calls functions whose result changes by themselves or
// with the position of cells.

#include <cstdint>
#include <string>
#include <vector>

namespace sheetwise::verify {

// A workbook a formula can reach through: this one, an add-in's functions, or another file.
struct LinkedBook {
  enum class Kind { Self, AddIn, External };
  Kind kind = Kind::External;
  std::vector<std::string> externNames;  // the names an add-in or another file provides, in order
};

// An entry of the sheet reference table: a book and its sheets (zero-based, inclusive).
struct SheetRange {
  uint16_t book = 0;
  uint16_t firstSheet = 0, lastSheet = 0;
};

struct DefinedName {
  std::vector<uint8_t> tokens;
  bool readable = true;  // false when the record was cut short
  std::string name;      // the name, and the sheet it belongs to (-1: the workbook)
  std::string text;      // .xlsx, .ods: its text
  int sheet = -1;
};

// What the formulas of a workbook refer through.
struct FormulaLinks {
  std::vector<LinkedBook> books;
  std::vector<SheetRange> sheetRanges;
  std::vector<DefinedName> names;  // in the file's order: a name token counts from 1
};

// A shared or array formula: its cells' records point at it; 1-based, inclusive.
struct SharedFormula {
  int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
  std::vector<uint8_t> tokens;
};

// Cells on a run of sheets (zero-based sheets, 1-based rows and columns, inclusive).
struct Area {
  int firstSheet = 0, lastSheet = 0;
  int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
  auto operator<=>(const Area&) const = default;
};

struct FormulaReferences {
  std::vector<Area> areas;
  std::vector<size_t> names;      // zero-based indices into FormulaLinks::names
  bool volatileFunction = false;  // NOW, TODAY, RAND, RANDBETWEEN, OFFSET, INDIRECT, CELL, INFO
  bool positional = false;        // ROW, COLUMN, ROWS, COLUMNS: the result follows where cells are
  bool external = false;          // refers to another workbook
  bool unknown = false;           // holds a token this reader does not interpret
};

// Where tokens are evaluated: a cell (1-based) on a sheet, or a defined name
// (row 0), whose references without a sheet or relative to the cell using it
// may mean any sheet, row or column.
struct FormulaPlace {
  int sheet = 0;
  int row = 0, column = 0;
};

// The first token of a cell formula that stands for a shared or array
// formula: the 1-based cell its range starts at; false for any other formula.
bool SharedFormulaAnchor(const std::vector<uint8_t>& tokens, int& row, int& column);

FormulaReferences ReadFormulaTokens(const std::vector<uint8_t>& tokens, const FormulaLinks& links, int sheetCount,
                                    FormulaPlace place);

}  // namespace sheetwise::verify

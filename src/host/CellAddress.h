#pragma once
// Range addresses as the rule operations write them: "B7", "A5:Z5", "5:5", "C:C".

#include <optional>
#include <string>
#include <string_view>

namespace sheetwise::host {

// The largest grid of any format the program edits (Office Open XML's:
// 1,048,576 rows, columns A to XFD). Rules are read against it; each workbook
// then holds them to its own format's grid.
inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// The rows and columns of a worksheet.
struct Grid {
  int rows = kMaxRows;
  int columns = kMaxColumns;
};

// The grid of an Excel 97-2003 worksheet (65,536 rows, A to IV).
inline constexpr Grid kXlsGrid{65536, 256};

// A rectangle, 1-based and inclusive, corners in order.
struct CellRect {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;
};

// Letters ("A", "iv", "$C") to a column number; empty when they are no column.
std::optional<int> ColumnFromLetters(std::string_view letters);

std::string ColumnLetters(int column);

// A cell's name: row 7, column 2 as "B7".
std::string CellName(int row, int column);

// Parses a cell, a cell range, a row span or a column span ("$" allowed, letters
// in either case); a span reaches the grid's last column or row. Empty when
// the text is no address inside the grid.
std::optional<CellRect> ParseAddress(std::string_view address, Grid grid = {});

}  // namespace sheetwise::host

#pragma once
// Where the rules acted on a workbook, in order, so that a comparison of the
// source with the saved file can leave those places out and follow the rows
// and columns that inserts and deletes moved.

#include <string>
#include <vector>

namespace sheetwise::verify {

// Which sheet an edit acted on: the one the file stores as active, or the named one.
enum class SheetRole { Active, Named };

struct Edit {
  enum class Kind { InsertRow, DeleteRow, DeleteColumn, Cells, Rename };
  Kind kind = Kind::Cells;
  SheetRole sheet = SheetRole::Active;
  int first = 0;  // InsertRow, DeleteRow: the row; DeleteColumn: the column
  int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;  // Cells, inclusive
  std::string newName;                                             // Rename
};

struct EditFootprint {
  std::string namedSheet;  // the name the named sheet is looked up by
  std::vector<Edit> edits;
};

// A cell position on one sheet, from 1; row 0 means the cell is gone or new.
struct Position {
  int row = 0, column = 0;
  bool operator<(const Position& o) const { return row != o.row ? row < o.row : column < o.column; }
};

// Follows a source cell through the edits of one sheet; {0, 0} when a rule
// acted on it (or deleted it).
Position MapForward(Position source, const std::vector<const Edit*>& edits);

// Where a saved cell came from; {0, 0} when a rule made or wrote it.
Position MapBack(Position saved, const std::vector<const Edit*>& edits);

}  // namespace sheetwise::verify

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
  // RowSize, ColumnSize: a row's height or a column's width was set, which may hide or show it.
  enum class Kind { InsertRow, DeleteRow, DeleteColumn, Cells, Rename, RowSize, ColumnSize };
  Kind kind = Kind::Cells;
  SheetRole sheet = SheetRole::Active;
  int first = 0;  // InsertRow, DeleteRow, RowSize: the row; DeleteColumn, ColumnSize: the column
  int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;  // Cells, inclusive
  std::string newName;                                             // Rename
  // Cells: what the rule did to them, as the list of changes tells it.
  enum class CellsAction { Written, Merged, Cleared };
  CellsAction action = CellsAction::Written;
  double size = 0;  // RowSize: the height in points; ColumnSize: the width in characters
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

// A source row (rows) or column through the edits: where it is in the saved
// file; 0 when it was deleted or a rule set its height or width.
int LineForward(int line, bool rows, const std::vector<const Edit*>& edits);

// Where a saved row (rows) or column came from; 0 when a rule made it or set
// its height or width.
int LineBack(int line, bool rows, const std::vector<const Edit*>& edits);

// The edits of the footprint that acted on each sheet, by its place among
// sheetNames, in order: the named sheet's found by name, the active sheet's
// by place (from 0; the first sheet where the stored place is none).
std::vector<std::vector<const Edit*>> EditsBySheet(const std::vector<std::string>& sheetNames, int activeSheet,
                                                   const EditFootprint& footprint);

}  // namespace sheetwise::verify

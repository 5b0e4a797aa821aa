#include "verify/EditFootprint.h"

#include <algorithm>

namespace sheetwise::verify {

namespace {

bool Inside(Position p, const Edit& e) {
  return p.row >= e.firstRow && p.row <= e.lastRow && p.column >= e.firstColumn && p.column <= e.lastColumn;
}

}  // namespace

Position MapForward(Position p, const std::vector<const Edit*>& edits) {
  for (const Edit* e : edits) {
    switch (e->kind) {
      case Edit::Kind::InsertRow:
        if (p.row >= e->first) ++p.row;
        break;
      case Edit::Kind::DeleteRow:
        if (p.row == e->first) return {};
        if (p.row > e->first) --p.row;
        break;
      case Edit::Kind::DeleteColumn:
        if (p.column == e->first) return {};
        if (p.column > e->first) --p.column;
        break;
      case Edit::Kind::Cells:
        if (Inside(p, *e)) return {};
        break;
      case Edit::Kind::Rename:
      case Edit::Kind::RowSize:
      case Edit::Kind::ColumnSize:
        break;
    }
  }
  return p;
}

Position MapBack(Position p, const std::vector<const Edit*>& edits) {
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    const Edit* e = *it;
    switch (e->kind) {
      case Edit::Kind::InsertRow:
        if (p.row == e->first) return {};  // the new row
        if (p.row > e->first) --p.row;
        break;
      case Edit::Kind::DeleteRow:
        if (p.row >= e->first) ++p.row;
        break;
      case Edit::Kind::DeleteColumn:
        if (p.column >= e->first) ++p.column;
        break;
      case Edit::Kind::Cells:
        if (Inside(p, *e)) return {};
        break;
      case Edit::Kind::Rename:
      case Edit::Kind::RowSize:
      case Edit::Kind::ColumnSize:
        break;
    }
  }
  return p;
}

namespace {

// Whether the edit set the size of the line it stands on.
bool SizeSet(const Edit& e, bool rows, int line) {
  return e.kind == (rows ? Edit::Kind::RowSize : Edit::Kind::ColumnSize) && e.first == line;
}

}  // namespace

int LineForward(int line, bool rows, const std::vector<const Edit*>& edits) {
  for (const Edit* e : edits) {
    if (SizeSet(*e, rows, line)) return 0;
    if (rows && e->kind == Edit::Kind::InsertRow && line >= e->first) ++line;
    if (e->kind == (rows ? Edit::Kind::DeleteRow : Edit::Kind::DeleteColumn)) {
      if (line == e->first) return 0;
      if (line > e->first) --line;
    }
  }
  return line;
}

int LineBack(int line, bool rows, const std::vector<const Edit*>& edits) {
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    const Edit* e = *it;
    if (SizeSet(*e, rows, line)) return 0;
    if (rows && e->kind == Edit::Kind::InsertRow) {
      if (line == e->first) return 0;
      if (line > e->first) --line;
    }
    if (e->kind == (rows ? Edit::Kind::DeleteRow : Edit::Kind::DeleteColumn) && line >= e->first) ++line;
  }
  return line;
}

}  // namespace sheetwise::verify

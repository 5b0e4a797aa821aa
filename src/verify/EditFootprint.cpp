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
        break;
    }
  }
  return p;
}

}  // namespace sheetwise::verify

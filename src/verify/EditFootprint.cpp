#include "verify/EditFootprint.h"

#include <algorithm>

#include "verify/SheetName.h"

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

std::vector<std::vector<const Edit*>> EditsBySheet(const std::vector<std::string>& sheetNames, int activeSheet,
                                                   const EditFootprint& footprint) {
  const int count = static_cast<int>(sheetNames.size());
  const auto named = std::ranges::find_if(
      sheetNames, [&](const std::string& name) { return SameSheetName(name, footprint.namedSheet); });
  std::vector<std::vector<const Edit*>> bySheet(sheetNames.size());
  for (const Edit& e : footprint.edits) {
    const int sheet = e.sheet == SheetRole::Active ? (activeSheet >= 0 && activeSheet < count ? activeSheet : 0)
                                                   : static_cast<int>(named - sheetNames.begin());
    if (sheet < count) bySheet[static_cast<size_t>(sheet)].push_back(&e);
  }
  return bySheet;
}

}  // namespace sheetwise::verify

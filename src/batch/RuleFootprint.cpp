#include "batch/RuleFootprint.h"

#include "host/CellAddress.h"

namespace sheetwise::batch {
namespace {
using rules::RuleKind;
using verify::Edit;
using verify::SheetRole;

Edit Cells(SheetRole sheet, const host::CellRect& r, Edit::CellsAction action) {
  Edit e;
  e.kind = Edit::Kind::Cells;
  e.action = action;
  e.sheet = sheet;
  e.firstRow = r.firstRow;
  e.firstColumn = r.firstColumn;
  e.lastRow = r.lastRow;
  e.lastColumn = r.lastColumn;
  return e;
}

Edit Line(Edit::Kind kind, int first, double size = 0) {
  Edit e;
  e.kind = kind;
  e.first = first;
  e.size = size;
  return e;
}

}  // namespace

std::vector<Edit> FootprintOf(const rules::ParsedRule& rule) {
  switch (rule.kind) {
    case RuleKind::InsertRows:
      return {Line(Edit::Kind::InsertRow, rule.row)};
    case RuleKind::DeleteRows:
      return {Line(Edit::Kind::DeleteRow, rule.row)};
    case RuleKind::DeleteColumn:
      return {Line(Edit::Kind::DeleteColumn, rule.column)};
    case RuleKind::MergeRange:
      return {Cells(SheetRole::Active, rule.cells, Edit::CellsAction::Merged)};
    case RuleKind::ClearRange:
      return {Cells(SheetRole::Active, rule.cells, Edit::CellsAction::Cleared)};
    case RuleKind::RenameSheet: {
      Edit e;
      e.kind = Edit::Kind::Rename;
      e.sheet = SheetRole::Named;
      e.newName = rule.value;
      return {e};
    }
    case RuleKind::ReplaceCell:
      return {Cells(SheetRole::Named, {rule.row, rule.column, rule.row, rule.column}, Edit::CellsAction::Written)};
    case RuleKind::RowHeight:
      return {Line(Edit::Kind::RowSize, rule.row, rule.size)};
    case RuleKind::ColumnWidth:
      return {Line(Edit::Kind::ColumnSize, rule.column, rule.size)};
    case RuleKind::ExtractCell:
      return {};
  }
  return {};
}

}  // namespace sheetwise::batch

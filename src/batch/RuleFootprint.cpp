#include "batch/RuleFootprint.h"

#include "host/CellAddress.h"

namespace sheetwise::batch {
namespace {
using rules::RuleKind;
using verify::Edit;
using verify::SheetRole;

host::CellRect Rect(const std::string& address) {
  const auto rect = host::ParseAddress(address);
  return rect ? *rect : host::CellRect{};
}

Edit Cells(SheetRole sheet, const host::CellRect& r) {
  Edit e;
  e.kind = Edit::Kind::Cells;
  e.sheet = sheet;
  e.firstRow = r.firstRow;
  e.firstColumn = r.firstColumn;
  e.lastRow = r.lastRow;
  e.lastColumn = r.lastColumn;
  return e;
}

Edit Line(Edit::Kind kind, int first) {
  Edit e;
  e.kind = kind;
  e.first = first;
  return e;
}

}  // namespace

std::vector<Edit> FootprintOf(RuleKind kind, const std::vector<std::string>& f) {
  switch (kind) {
    case RuleKind::InsertRows: {
      const auto rows = Rect(f[2] + ":" + f[2]);
      return std::vector<Edit>(static_cast<size_t>(rows.lastRow - rows.firstRow + 1),
                               Line(Edit::Kind::InsertRow, rows.firstRow));
    }
    case RuleKind::DeleteRows:
      return {Line(Edit::Kind::DeleteRow, Rect("B" + f[2]).firstRow)};
    case RuleKind::DeleteColumn: {
      const auto columns = Rect(f[2] + ":" + f[2]);
      return std::vector<Edit>(static_cast<size_t>(columns.lastColumn - columns.firstColumn + 1),
                               Line(Edit::Kind::DeleteColumn, columns.firstColumn));
    }
    case RuleKind::MergeRange:
    case RuleKind::ClearRange:
      return {Cells(SheetRole::Active, Rect(f[1] + ":" + f[2]))};
    case RuleKind::RenameSheet: {
      Edit e;
      e.kind = Edit::Kind::Rename;
      e.sheet = SheetRole::Named;
      e.newName = f[1];
      return {e};
    }
    case RuleKind::ReplaceCell: {
      const int row = *rules::RoundedInteger(f[0]);
      const int column = *rules::ColumnNumber(f[1]);
      return {Cells(SheetRole::Named, {row, column, row, column})};
    }
    case RuleKind::RowHeight:
    case RuleKind::ColumnWidth:
      return {};
  }
  return {};
}

}  // namespace sheetwise::batch

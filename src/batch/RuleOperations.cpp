#include "batch/RuleOperations.h"

#include "host/CellAddress.h"

namespace sheetwise::batch {
namespace {

using rules::RuleKind;

std::string RowSpan(int row) { return std::to_string(row) + ":" + std::to_string(row); }

std::string ColumnSpan(int column) { return host::ColumnLetters(column) + ":" + host::ColumnLetters(column); }

std::string Address(const host::CellRect& r) {
  return host::ColumnLetters(r.firstColumn) + std::to_string(r.firstRow) + ":" + host::ColumnLetters(r.lastColumn) +
         std::to_string(r.lastRow);
}

}  // namespace

void ApplyRule(const rules::ParsedRule& rule, const RuleTarget& t) {
  switch (rule.kind) {
    case RuleKind::InsertRows:
      // The inserted row takes the formats of the row above and has no contents.
      // At row 1 there is no row above, and the row is simply inserted.
      t.activeSheet.range(RowSpan(rule.row))->insertRows();
      break;
    case RuleKind::DeleteRows:
      t.activeSheet.range("B" + std::to_string(rule.row))->deleteRows();
      break;
    case RuleKind::MergeRange:
      t.activeSheet.range(Address(rule.cells))->mergeCentred();
      break;
    case RuleKind::ClearRange:
      t.activeSheet.range(Address(rule.cells))->clearContents();
      break;
    case RuleKind::RenameSheet:
      t.workbook.worksheet(t.sheetName)->rename(rule.value);
      break;
    case RuleKind::RowHeight:
      t.activeSheet.range(RowSpan(rule.row))->setRowHeight(rule.size);
      break;
    case RuleKind::ColumnWidth:
      t.activeSheet.range(ColumnSpan(rule.column))->setColumnWidth(rule.size);
      break;
    case RuleKind::DeleteColumn:
      t.activeSheet.range(ColumnSpan(rule.column))->deleteColumns();
      break;
    case RuleKind::ReplaceCell:
      t.namedSheet.setCell(rule.row, rule.column, rule.value);
      break;
    case RuleKind::ExtractCell:
      break;  // read by extraction, never applied
  }
}

}  // namespace sheetwise::batch

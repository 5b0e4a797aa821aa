#include "batch/RuleOperations.h"

#include "host/Translate.h"

namespace sheetwise::batch {
namespace {

using rules::RuleKind;

const std::string& Field(const std::vector<std::string>& fields, size_t index) {
  if (index >= fields.size()) {
    throw RuleError(Tr("the rule is too short: field %s is missing after \"%s\"", {std::to_string(index), fields.front()}));
  }
  return fields[index];
}

// what: the English text of what the number is, translated here.
double Number(const std::string& text, const char* what) {
  const auto value = rules::ParseNumber(text);
  if (!value) throw RuleError(Tr("%s is not a number: \"%s\"", {Tr(what), text}));
  return *value;
}

std::string Span(const std::string& line) { return line + ":" + line; }

void InsertRows(const std::vector<std::string>& f, const RuleTarget& t) {
  const std::string& row = Field(f, 2);
  Number(row, N_("the row"));
  // The inserted row takes the formats of the row above and has no contents.
  // At row 1 there is no row above, and the row is simply inserted.
  t.activeSheet.range(Span(row))->insertRows();
}

void ReplaceCell(const std::vector<std::string>& f, const RuleTarget& t) {
  const auto row = rules::RoundedInteger(f[0]);
  if (!row) throw RuleError(Tr("%s is not a number: \"%s\"", {Tr("the row"), f[0]}));
  const auto column = rules::ColumnNumber(Field(f, 1));
  if (!column) throw RuleError(Tr("the column is empty"));
  if (*column > 32767) throw RuleError(Tr("column \"%s\" does not exist", {f[1]}));
  t.namedSheet.setCell(*row, *column, Field(f, 2));
}

}  // namespace

bool RuleActs(RuleKind kind, const std::vector<std::string>& fields) {
  switch (kind) {
    case RuleKind::InsertRows:
    case RuleKind::DeleteRows:
      return Field(fields, 1) == rules::WholeRowMode;
    case RuleKind::DeleteColumn:
      return Field(fields, 1) == rules::WholeColumnMode;
    default:
      return true;
  }
}

void ApplyRule(RuleKind kind, const std::vector<std::string>& f, const RuleTarget& t) {
  switch (kind) {
    case RuleKind::InsertRows:
      InsertRows(f, t);
      break;
    case RuleKind::DeleteRows:
      t.activeSheet.range("B" + Field(f, 2))->deleteRows();
      break;
    case RuleKind::MergeRange:
      t.activeSheet.range(Field(f, 1) + ":" + Field(f, 2))->mergeCentred();
      break;
    case RuleKind::ClearRange:
      t.activeSheet.range(Field(f, 1) + ":" + Field(f, 2))->clearContents();
      break;
    case RuleKind::RenameSheet:
      t.workbook.worksheet(t.sheetName)->rename(Field(f, 1));
      break;
    case RuleKind::RowHeight:
      t.activeSheet.range(Span(Field(f, 1)))->setRowHeight(Number(Field(f, 2), N_("the row height")));
      break;
    case RuleKind::ColumnWidth:
      t.activeSheet.range(Span(Field(f, 1)))->setColumnWidth(Number(Field(f, 2), N_("the column width")));
      break;
    case RuleKind::DeleteColumn:
      t.activeSheet.range(Span(Field(f, 2)))->deleteColumns();
      break;
    case RuleKind::ReplaceCell:
      ReplaceCell(f, t);
      break;
  }
}

}  // namespace sheetwise::batch

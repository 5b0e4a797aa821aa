#include "rules/ParsedRule.h"

#include <stdexcept>

#include "host/Translate.h"
#include "rules/Utf8Text.h"

namespace sheetwise::rules {
namespace {

// Characters of a rule or field quoted whole; a longer one is cut to kQuotedHead.
constexpr size_t kQuotedWhole = 80;
constexpr size_t kQuotedHead = 60;

// Why a field cannot be read; caught once per rule and kept as its refusal.
class Unreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

size_t FieldCount(RuleKind kind) { return kind == RuleKind::RenameSheet ? 2 : 3; }

// How a rule of the kind is written, as a refusal shows it.
std::string Layout(RuleKind kind) {
  switch (kind) {
    case RuleKind::InsertRows: return std::string(tag::InsertRows) + "|正行|ROW";
    case RuleKind::DeleteRows: return std::string(tag::DeleteRows) + "|正行|ROW";
    case RuleKind::MergeRange: return std::string(tag::MergeRange) + "|B7|C8";
    case RuleKind::ClearRange: return std::string(tag::ClearRange) + "|B7|D9";
    case RuleKind::RenameSheet: return std::string(tag::RenameSheet) + "|NAME";
    case RuleKind::RowHeight: return std::string(tag::RowHeight) + "|ROW|HEIGHT";
    case RuleKind::ColumnWidth: return std::string(tag::ColumnWidth) + "|COLUMN|WIDTH";
    case RuleKind::DeleteColumn: return std::string(tag::DeleteColumn) + "|整列|COLUMN";
    case RuleKind::ReplaceCell: return "ROW|COLUMN|TEXT";
    case RuleKind::ExtractCell: break;
  }
  return std::string(tag::ExtractCell) + "ROW|COLUMN|";
}

// The fields, as many as the kind has: fewer or more cannot be read.
std::vector<std::string> KindFields(std::string_view text, RuleKind kind) {
  auto fields = SplitFields(text);
  const size_t wanted = FieldCount(kind);
  if (fields.size() < wanted) {
    throw Unreadable(Tr("the rule is too short: field %s is missing after \"%s\" (a rule of its kind is %s)",
                        {std::to_string(fields.size()), Quoted(fields.front()), Layout(kind)}));
  }
  if (fields.size() > wanted) {
    const bool text = kind == RuleKind::ReplaceCell || kind == RuleKind::RenameSheet;
    throw Unreadable(text ? Tr("the rule has %s fields where its kind has %s (%s): a text cannot hold \"|\"",
                               {std::to_string(fields.size()), std::to_string(wanted), Layout(kind)})
                          : Tr("the rule has %s fields where its kind has %s: %s, with nothing after the last field",
                               {std::to_string(fields.size()), std::to_string(wanted), Layout(kind)}));
  }
  return fields;
}

bool Digits(std::string_view field) {
  return !field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos;
}

int Row(std::string_view field) {
  int row = 0;
  if (Digits(field) && field.size() <= 7) row = std::stoi(std::string(field));
  if (row < 1 || row > host::kMaxRows) {
    throw Unreadable(Tr("the row must be a whole number from 1 to %s, not \"%s\"",
                        {std::to_string(host::kMaxRows), Quoted(field)}));
  }
  return row;
}

// A cell rule's column: one character, its code minus 64 ("[" is column 27).
int CellColumn(std::string_view field) {
  if (field.empty()) throw Unreadable(Tr("the column is empty"));
  const auto column = ColumnNumber(field);
  if (ColumnCharacter(*column) != field) {
    throw Unreadable(Tr("the column of a cell rule is one character (A to Z, then [ for AA), not \"%s\"",
                        {Quoted(field)}));
  }
  if (*column < 1 || *column > host::kMaxColumns) throw Unreadable(Tr("column \"%s\" does not exist", {field}));
  return *column;
}

// A whole column's letters ("C", "AA").
int WholeColumn(std::string_view field) {
  const auto column = host::ColumnFromLetters(field);
  if (!column) {
    throw Unreadable(Tr("the column must be letters from A to XFD, not \"%s\"", {Quoted(field)}));
  }
  return *column;
}

// A corner that is column letters alone, or a row number alone, is told how to
// name whole columns or rows by their first and last cells.
host::CellRect Cells(RuleKind kind, std::string_view head, std::string_view tail) {
  for (const auto corner : {head, tail}) {
    // Without a ":" only a cell is an address.
    if (corner.find(':') == std::string_view::npos && host::ParseAddress(corner)) continue;
    const std::string h(head), t(tail);
    const std::string tag(kind == RuleKind::MergeRange ? tag::MergeRange : tag::ClearRange);
    if (host::ColumnFromLetters(head) && host::ColumnFromLetters(tail)) {
      throw Unreadable(Tr("not a cell address: \"%s\"; whole columns are written by their first and last cells: "
                          "%s|%s1|%s65536 (%s1048576 in .xlsx and .ods)",
                          {Quoted(corner), tag, h, t, t}));
    }
    if (Digits(head) && Digits(tail)) {
      throw Unreadable(Tr("not a cell address: \"%s\"; whole rows are written by their first and last cells: "
                          "%s|A%s|IV%s (XFD%s in .xlsx and .ods)",
                          {Quoted(corner), tag, h, t, t}));
    }
    throw Unreadable(
        Tr("not a cell address: \"%s\" (a corner is a cell such as B7: %s)", {Quoted(corner), Layout(kind)}));
  }
  return *host::ParseAddress(std::string(head) + ":" + std::string(tail));
}

// what: the English text of what the number is, translated here.
double Number(std::string_view field, const char* what) {
  const auto value = ParseNumber(field);
  if (!value) throw Unreadable(Tr("%s is not a number: \"%s\"", {Tr(what), Quoted(field)}));
  return *value;
}

void ReadFields(ParsedRule& rule) {
  const auto f = KindFields(rule.text, rule.kind);
  switch (rule.kind) {
    case RuleKind::InsertRows:
    case RuleKind::DeleteRows:
      rule.acts = f[1] == WholeRowMode;
      rule.row = Row(f[2]);
      break;
    case RuleKind::DeleteColumn:
      rule.acts = f[1] == WholeColumnMode;
      rule.column = WholeColumn(f[2]);
      break;
    case RuleKind::MergeRange:
    case RuleKind::ClearRange:
      rule.cells = Cells(rule.kind, f[1], f[2]);
      break;
    case RuleKind::RenameSheet:
      rule.value = f[1];
      break;
    case RuleKind::RowHeight:
      rule.row = Row(f[1]);
      rule.size = Number(f[2], N_("the row height"));
      break;
    case RuleKind::ColumnWidth:
      rule.column = WholeColumn(f[1]);
      rule.size = Number(f[2], N_("the column width"));
      break;
    case RuleKind::ReplaceCell:
      rule.row = Row(f[0]);
      rule.column = CellColumn(f[1]);
      rule.value = f[2];
      break;
    case RuleKind::ExtractCell:
      break;
  }
}

void ReadExtractFields(ParsedRule& rule) {
  const auto f = SplitFields(rule.text);
  if (f.size() > 3 || (f.size() == 3 && !f[2].empty())) {
    throw Unreadable(Tr("an extraction rule ends after its column's \"|\": {小偷}ROW|COLUMN|"));
  }
  const size_t brace = f[0].find('}');
  rule.value = brace == std::string::npos ? "" : f[0].substr(brace + 1);
  rule.row = Row(rule.value);
  if (f.size() < 2) throw Unreadable(Tr("the column is empty"));
  rule.column = CellColumn(f[1]);
}

ParsedRule Read(std::string text, RuleKind kind, void (*readFields)(ParsedRule&)) {
  ParsedRule rule;
  rule.text = std::move(text);
  rule.kind = kind;
  try {
    readFields(rule);
  } catch (const Unreadable& e) {
    rule.refusal = e.what();
  }
  return rule;
}

}  // namespace

ParsedRule ParseRule(std::string text) {
  const auto kind = KindOf(SplitFields(text).front());
  return Read(std::move(text), kind, ReadFields);
}

ParsedRule ParseExtractRule(std::string text) {
  return Read(std::move(text), RuleKind::ExtractCell, ReadExtractFields);
}

std::vector<ParsedRule> ParseRules(const std::vector<std::string>& texts, bool extraction) {
  std::vector<ParsedRule> parsed;
  parsed.reserve(texts.size());
  for (const auto& text : texts) parsed.push_back(extraction ? ParseExtractRule(text) : ParseRule(text));
  return parsed;
}

std::string Quoted(std::string_view text) {
  size_t characters = 0;
  size_t cut = std::string_view::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (characters == kQuotedHead) cut = i;
    if (++characters > kQuotedWhole) return ValidUtf8(text.substr(0, cut)) + "…";
  }
  return std::string(text);
}

}  // namespace sheetwise::rules

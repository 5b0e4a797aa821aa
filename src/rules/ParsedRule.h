#pragma once
// A rule string read once into what it says: its kind, rows and columns as
// numbers, ranges as rectangles and texts as they stand. Reading is strict: a
// row is a whole number of the sheet, a column a column, an address a cell
// address, and a rule has exactly the fields of its kind. A rule that cannot
// be read keeps the reason, so that the one who applies the list can refuse
// it where it stands.

#include <string>
#include <string_view>
#include <vector>

#include "host/CellAddress.h"
#include "rules/RuleString.h"

namespace sheetwise::rules {

struct ParsedRule {
  std::string text;  // the rule string exactly as the list holds it
  RuleKind kind = RuleKind::ReplaceCell;
  // False for a row or column rule in a mode it does not act on: handled without effect.
  bool acts = true;
  int row = 0;           // InsertRows, DeleteRows, RowHeight, ReplaceCell, ExtractCell
  int column = 0;        // ColumnWidth, DeleteColumn, ReplaceCell, ExtractCell
  host::CellRect cells;  // MergeRange, ClearRange: head to tail
  double size = 0;       // RowHeight in points, ColumnWidth in characters
  std::string value;     // ReplaceCell's text, RenameSheet's name, ExtractCell's row as written
  std::string refusal;   // why the rule cannot be read; empty when it can

  bool readable() const { return refusal.empty(); }
};

// Reads an entry as the engine dispatches it (tags, else ReplaceCell).
ParsedRule ParseRule(std::string text);

// Reads an entry as extraction does, whatever it begins with: the row between
// the first "}" and the first "|", then the column, then a closing "|".
ParsedRule ParseExtractRule(std::string text);

// Every entry of a list, for editing or for extraction.
std::vector<ParsedRule> ParseRules(const std::vector<std::string>& texts, bool extraction);

// A rule or field as quoted in a reason: whole when short, otherwise its
// beginning followed by "…", cut between characters.
std::string Quoted(std::string_view text);

}  // namespace sheetwise::rules

#pragma once
// The layout of a rule string: fields joined by "|", field 0 names the kind.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwise::rules {

namespace tag {
inline constexpr std::string_view InsertRows = "{插入行}";
inline constexpr std::string_view DeleteRows = "{删除行}";
inline constexpr std::string_view MergeRange = "{合并}";
inline constexpr std::string_view ClearRange = "{清空}";
inline constexpr std::string_view RenameSheet = "{表名}";
inline constexpr std::string_view RowHeight = "{行距}";
inline constexpr std::string_view ColumnWidth = "{列距}";
inline constexpr std::string_view DeleteColumn = "{删除列}";
inline constexpr std::string_view ExtractCell = "{小偷}";
}  // namespace tag

// The only mode that row insertion, row deletion and column deletion act on.
inline constexpr std::string_view WholeRowMode = "正行";
inline constexpr std::string_view WholeColumnMode = "整列";

enum class RuleKind {
  InsertRows,
  DeleteRows,
  MergeRange,
  ClearRange,
  RenameSheet,
  RowHeight,
  ColumnWidth,
  DeleteColumn,
  ReplaceCell,
  ExtractCell,  // read only by extraction, which takes every entry as one
};

// Whether a text can stand in a field of a rule string in a rule file: it
// holds no "|" (which ends the field) and no line break (which ends the rule).
bool FitsInField(std::string_view text);

// Splits at every "|", without trimming; "a||" gives "a", "", "".
std::vector<std::string> SplitFields(std::string_view rule);

// The kind that field 0 selects, tags tested in dispatch order; anything else is ReplaceCell.
RuleKind KindOf(std::string_view field0);

// Column number of a column field: the first character's code point minus 64
// ("A" is 1, "[" is 27, "b" is 34). Empty when the field is empty.
std::optional<int> ColumnNumber(std::string_view field);

// The character written for a grid column (64 + column), as UTF-8.
std::string ColumnCharacter(int column);

// Converts a row or column text as the spreadsheet would: a decimal number
// (sign, digits, optional fraction or exponent, surrounding blanks allowed),
// rounded half to even. Empty when the text is not a number or does not fit 32 bits.
std::optional<int> RoundedInteger(std::string_view text);

// The text of a decimal number as a spreadsheet shows it in general form.
std::string GeneralNumberText(double value);

// value with exactly decimals digits after a "." (never the locale's comma).
std::string FixedNumberText(double value, int decimals);

// A decimal number from text (as above, without rounding).
std::optional<double> ParseNumber(std::string_view text);

}  // namespace sheetwise::rules

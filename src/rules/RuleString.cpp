#include "rules/RuleString.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "rules/Utf8Text.h"

namespace sheetwise::rules {

bool FitsInField(std::string_view text) { return text.find_first_of("|\r\n") == std::string_view::npos; }

std::vector<std::string> SplitFields(std::string_view rule) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t bar = rule.find('|', start);
    if (bar == std::string_view::npos) {
      fields.emplace_back(rule.substr(start));
      return fields;
    }
    fields.emplace_back(rule.substr(start, bar - start));
    start = bar + 1;
  }
}

RuleKind KindOf(std::string_view field0) {
  static constexpr std::array<std::pair<std::string_view, RuleKind>, 8> order{{
      {tag::InsertRows, RuleKind::InsertRows},
      {tag::DeleteRows, RuleKind::DeleteRows},
      {tag::MergeRange, RuleKind::MergeRange},
      {tag::ClearRange, RuleKind::ClearRange},
      {tag::RenameSheet, RuleKind::RenameSheet},
      {tag::RowHeight, RuleKind::RowHeight},
      {tag::ColumnWidth, RuleKind::ColumnWidth},
      {tag::DeleteColumn, RuleKind::DeleteColumn},
  }};
  for (const auto& [text, kind] : order) {
    if (field0 == text) return kind;
  }
  return RuleKind::ReplaceCell;
}

namespace {

// Decodes the first UTF-8 character; a stray byte counts as its own value.
char32_t FirstCodePoint(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  int extra = 0;
  char32_t cp = b0;
  if (b0 >= 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
  } else if (b0 >= 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
  }
  if (s.size() <= static_cast<size_t>(extra)) return b0;
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return b0;
    cp = (cp << 6) | (b & 0x3F);
  }
  return cp;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<int> ColumnNumber(std::string_view field) {
  if (field.empty()) return std::nullopt;
  return static_cast<int>(FirstCodePoint(field)) - 64;
}

std::string ColumnCharacter(int column) {
  std::string out;
  AppendUtf8(out, static_cast<char32_t>(64 + column));
  return out;
}

std::optional<double> ParseNumber(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) return std::nullopt;
  const std::string trimmed(text.substr(begin, end - begin));
  // Only plain decimal notation: no hex, no inf or nan.
  for (char c : trimmed) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
          c == 'e' || c == 'E')) {
      return std::nullopt;
    }
  }
  // from_chars reads "." as the decimal point whatever the locale; it takes
  // no "+" sign, which a number may carry once.
  const char* first = trimmed.data();
  const char* last = trimmed.data() + trimmed.size();
  if (*first == '+') ++first;
  if (first == last || *first == '+' || (*first == '-' && first != trimmed.data())) return std::nullopt;
  double value = 0;
  const auto [stop, error] = std::from_chars(first, last, value);
  if (error != std::errc() || stop != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> RoundedInteger(std::string_view text) {
  const auto value = ParseNumber(text);
  if (!value) return std::nullopt;
  const double rounded = std::nearbyint(*value);  // default rounding mode: half to even
  if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(rounded);
}

std::string GeneralNumberText(double value) {
  if (value == 0) return "0";
  std::array<char, 64> buffer{};
  const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 15);
  std::string text(buffer.data(), written.ptr);
  for (char& c : text) c = c == 'e' ? 'E' : c;
  // Drop trailing zeros of the fraction, keeping any exponent.
  const size_t exp = text.find('E');
  std::string mantissa = text.substr(0, exp);
  const std::string exponent = exp == std::string::npos ? "" : text.substr(exp);
  if (mantissa.find('.') != std::string::npos) {
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  }
  return mantissa + exponent;
}

}  // namespace sheetwise::rules

namespace sheetwise::rules {

std::string FixedNumberText(double value, int decimals) {
  std::array<char, 400> buffer{};
  const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  return std::string(buffer.data(), written.ptr);
}

}  // namespace sheetwise::rules

#include "host/CellContent.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "rules/RuleString.h"

namespace sheetwise::host {
namespace {

bool IsPlainDecimal(std::string_view text) {
  size_t pos = 0;
  if (pos < text.size() && text[pos] == '-') ++pos;
  const size_t intStart = pos;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  const size_t intDigits = pos - intStart;
  if (intDigits == 0) return false;
  if (intDigits > 1 && text[intStart] == '0') return false;  // "007" stays text
  size_t significant = (intDigits == 1 && text[intStart] == '0') ? 0 : intDigits;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    const size_t fracStart = pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos == fracStart) return false;
    significant += pos - fracStart;
  }
  return pos == text.size() && significant <= 15;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian), and back.
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

}  // namespace

ContentKind ClassifyContent(std::string_view text, double* number) {
  if (!text.empty() && text.front() == '=') return ContentKind::Formula;
  if (IsPlainDecimal(text)) {
    const auto value = rules::ParseNumber(text);
    if (value && rules::GeneralNumberText(*value) == text) {
      if (number) *number = *value;
      return ContentKind::Number;
    }
  }
  return ContentKind::Text;
}

bool FormulaIsComplete(std::string_view formula) {
  int depth = 0;
  char quote = 0;  // inside "text" or 'sheet name'
  for (const char c : formula) {
    if (quote) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth < 0) {
      return false;
    }
  }
  return depth == 0 && !quote;
}

std::string SerialToText(double serial, CivilDate nullDate, bool withDate, bool withTime) {
  // Round to the second first, so 23:59:59.6 carries into the next day.
  const long long totalSeconds = std::llround(serial * 86400.0);
  long long days = totalSeconds / 86400;
  long long seconds = totalSeconds % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  const CivilDate date = CivilFromDays(DaysFromCivil(nullDate.year, nullDate.month, nullDate.day) + days);
  char buffer[32];
  std::string text;
  if (withDate) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
    text = buffer;
  }
  if (withTime) {
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    if (!text.empty()) text += ' ';
    text += buffer;
  }
  return text;
}

}  // namespace sheetwise::host

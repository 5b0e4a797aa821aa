#include "extract/CsvWriter.h"

#include <cctype>

namespace sheetwise::extract {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A sign, digits with an optional fraction, an optional exponent: "-3.5", "+1e5".
bool IsPlainNumber(std::string_view text) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

}  // namespace

bool ReadsAsFormula(std::string_view text) {
  if (text.empty()) return false;
  switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return !IsPlainNumber(text);
    default:
      return false;
  }
}

std::string CsvField(const std::string& text, CsvTexts texts) {
  const std::string field = texts == CsvTexts::Guarded && ReadsAsFormula(text) ? "'" + text : text;
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvRecord(const ExtractionRecord& record, CsvTexts texts) {
  return CsvField(record.path, texts) + ',' + CsvField(record.rowText, texts) + ',' + std::to_string(record.column) +
         ',' + CsvField(record.text, texts) + "\r\n";
}

}  // namespace sheetwise::extract

#include "ui/qt/ResultsText.h"

#include "host/CellAddress.h"

namespace sheetwise::ui::qt {

namespace {

std::string Quoted(const std::string& field, char separator) {
  if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Line(const std::vector<std::string>& fields, char separator, const char* end) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += separator;
    line += Quoted(fields[i], separator);
  }
  return line + end;
}

std::string ColumnName(int column) { return column >= 1 ? host::ColumnLetters(column) : std::to_string(column); }

}  // namespace

std::vector<std::string> ResultFields(const extract::ExtractionRecord& record) {
  return {record.path, std::to_string(record.row), ColumnName(record.column), record.text};
}

std::string ResultsCsv(const extract::ExtractionResults& results) {
  std::string csv = "\xEF\xBB\xBF";
  csv += Line({std::begin(kResultsHeader), std::end(kResultsHeader)}, ',', "\r\n");
  for (const auto& record : results) csv += Line(ResultFields(record), ',', "\r\n");
  return csv;
}

std::string ResultsTabText(const extract::ExtractionResults& results, const std::vector<std::size_t>& rows) {
  std::string text;
  for (std::size_t row : rows) {
    if (row < results.size()) text += Line(ResultFields(results[row]), '\t', "\n");
  }
  return text;
}

}  // namespace sheetwise::ui::qt

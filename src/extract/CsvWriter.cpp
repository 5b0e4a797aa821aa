#include "extract/CsvWriter.h"

namespace sheetwise::extract {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void WriteCsvHeader(std::ostream& out) { out << "file,row,column,text\r\n"; }

void WriteCsvRecord(std::ostream& out, const ExtractionRecord& record) {
  out << CsvField(record.path) << ',' << CsvField(record.rowText) << ',' << record.column << ','
      << CsvField(record.text) << "\r\n";
}

}  // namespace sheetwise::extract

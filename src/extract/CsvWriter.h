#pragma once
// Extraction results as CSV: a header line "file,row,column,text", fields
// quoted as RFC 4180 says (CR LF line ends), UTF-8.

#include <ostream>
#include <string>

#include "extract/ExtractionResults.h"

namespace sheetwise::extract {

std::string CsvField(const std::string& text);
void WriteCsvHeader(std::ostream& out);
void WriteCsvRecord(std::ostream& out, const ExtractionRecord& record);

}  // namespace sheetwise::extract

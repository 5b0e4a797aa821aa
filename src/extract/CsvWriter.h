#pragma once
// Extraction results as CSV: a header line "file,row,column,text", fields
// quoted as RFC 4180 says (CR LF line ends), UTF-8.
//
// A spreadsheet opening a CSV takes a field that starts with "=", "+", "-",
// "@", a tab or a carriage return for a formula, and runs it. Unless texts
// are asked for raw, such a field (a plain number aside) is written with a
// leading apostrophe, which spreadsheets show as text.

#include <string>
#include <string_view>

#include "extract/ExtractionResults.h"

namespace sheetwise::extract {

enum class CsvTexts { Guarded, Raw };

// Whether a spreadsheet would read text as a formula.
bool ReadsAsFormula(std::string_view text);

// One field: text (with an apostrophe before it when guarded and it reads as
// a formula), quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text, CsvTexts texts = CsvTexts::Guarded);

inline constexpr const char* kCsvHeader = "file,row,column,text\r\n";
// The line of one record, with its CR LF.
std::string CsvRecord(const ExtractionRecord& record, CsvTexts texts);

}  // namespace sheetwise::extract

#pragma once
// The extraction results as text for the clipboard and for a CSV file: one
// line per cell read, with the workbook it came from, its row, its column
// letters and its text.

#include <cstddef>
#include <string>
#include <vector>

#include "extract/ExtractionResults.h"

namespace sheetwise::ui::qt {

inline constexpr const char* kResultsHeader[] = {"工作簿", "行", "列", "内容"};

// The four shown fields of one record.
std::vector<std::string> ResultFields(const extract::ExtractionRecord& record);

// UTF-8 with a byte-order mark (so spreadsheet programs read the Chinese
// correctly), a header line, CR LF line ends and fields quoted where needed.
std::string ResultsCsv(const extract::ExtractionResults& results);

// Tab-separated lines of the chosen records, in the order given, for pasting
// into a sheet; fields holding tabs, line breaks or quotes are quoted.
std::string ResultsTabText(const extract::ExtractionResults& results, const std::vector<std::size_t>& rows);

}  // namespace sheetwise::ui::qt

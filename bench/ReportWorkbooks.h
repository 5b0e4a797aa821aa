#pragma once
// Report workbooks as users have them: a merged title, a styled header, 20 to
// 500 rows of serial numbers, dates, Chinese names and words and amounts, a
// row of formula totals, and in every second workbook a computed column (a
// text result in one of two such, a number in the other). Written as flat
// OpenDocument files and turned into workbooks of the benchmark's format
// (Excel 97-2003 by default) by the office's converter, all in one call.

#include <filesystem>
#include <string>
#include <vector>

#include "BenchFormat.h"

namespace sheetwise::bench {

// count workbooks under folder, in five subfolders; their paths, in order.
// latin: every Chinese text in Latin letters instead.
std::vector<std::string> MakeReportWorkbooks(const std::filesystem::path& folder, int count, const BenchFormat& format,
                                             bool latin = false);

}  // namespace sheetwise::bench

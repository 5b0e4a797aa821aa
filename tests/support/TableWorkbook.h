#pragma once
// Workbooks the tests make themselves: a small table in CSV form, turned into
// an Excel 97-2003 workbook with one sheet (named "Sheet1" unless asked) by the
// office's converter.

#include <filesystem>
#include <string>

namespace sheetwise::test {

// Writes the workbook for csv (lines of comma-separated cells; ISO dates,
// times and TRUE/FALSE are read as such, numbers as numbers) to target. Each distinct table is
// converted once per test program and copied after that.
void WriteTableWorkbook(const std::filesystem::path& target, const std::string& csv,
                        const std::string& sheet = "Sheet1");

}  // namespace sheetwise::test

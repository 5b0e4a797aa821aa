#pragma once
// Workbooks the tests make themselves: a small table in CSV form, turned into
// an Excel 97-2003 workbook with one sheet (named "Sheet1" unless asked) by the
// office's converter; or any flat OpenDocument spreadsheet, turned the same way.

#include <filesystem>
#include <string>

namespace sheetwise::test {

// Writes the workbook for csv (lines of comma-separated cells; ISO dates,
// times and TRUE/FALSE are read as such, numbers as numbers) to target. Each distinct table is
// converted once per test program and copied after that.
void WriteTableWorkbook(const std::filesystem::path& target, const std::string& csv,
                        const std::string& sheet = "Sheet1");

// The same for a flat OpenDocument spreadsheet (.fods text): formats, fonts
// and rich text as the document gives them.
void WriteFlatWorkbook(const std::filesystem::path& target, const std::string& fods);

}  // namespace sheetwise::test

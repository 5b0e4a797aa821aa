#pragma once
// Workbooks the tests make themselves, so that they run from a plain clone:
// small sheets written as flat OpenDocument text and converted to .xls by the
// office's own command-line converter; and byte snapshots of a folder tree.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace sheetwise::test {

struct MadeCell {
  int row;  // 1-based
  int column;
  std::string text;
};

struct MadeSheet {
  std::string name = "Sheet1";
  std::vector<MadeCell> cells;  // in row order, then column order
  bool isProtected = false;
};

// Writes each workbook (file name without ".xls" -> its sheets) into folder
// as NAME.xls, through one run of the office's converter.
void MakeWorkbooks(const std::filesystem::path& folder, const std::map<std::string, std::vector<MadeSheet>>& books);

// Every regular file below folder (relative path -> bytes), links followed.
std::map<std::string, std::string> FileBytes(const std::filesystem::path& folder);

}  // namespace sheetwise::test

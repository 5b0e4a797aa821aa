#pragma once
// What extraction mode has read, for the visible results list and its export:
// one record per cell read, with the workbook it came from, in reading order.

#include <string>
#include <vector>

namespace sheetwise::extract {

struct ExtractionRecord {
  std::string path;     // the workbook, as the file queue held it
  std::string rowText;  // the row exactly as the entry holds it ("05")
  int row = 0;          // the row that was read (5)
  int column = 0;       // 1 is column A, 27 is AA
  std::string text;     // the cell's text

  bool operator==(const ExtractionRecord&) const = default;
};

// Grows across runs until the program ends, like the hidden list.
using ExtractionResults = std::vector<ExtractionRecord>;

// The hidden list's line: row text, column number and cell text, with nothing between.
inline std::string ExtractionLine(const ExtractionRecord& record) {
  return record.rowText + std::to_string(record.column) + record.text;
}

}  // namespace sheetwise::extract

#pragma once
// The window 预览's model: the rule list tried on the sample workbook. The
// named sheet as read before and after the rules, side by side, its rows
// paired (following inserted and deleted rows), the cells whose text differs,
// what the check of the save found and a line that says how the try went.
// The Qt view mirrors it.

#include <string>
#include <vector>

#include "ui/Form2.h"

namespace sheetwise::ui {

using SheetTable = std::vector<std::vector<std::string>>;

// A cell of the sheet: row and column counted from 1, as the sheet counts them.
struct CellMark {
  int row = 0;
  int column = 0;
  bool operator==(const CellMark&) const = default;
};

// How two readings of one sheet (each read from A1) correspond. Rows of the
// same text throughout are paired in order, as many as can be; between two
// such pairs the rows left on both sides are paired in order, and those left
// over were inserted (after) or deleted (before). A cell beyond the end of a
// row reads as empty.
struct SheetChanges {
  std::vector<int> afterRowOf;   // for each row of before (index row - 1): its row after, 0 when deleted
  std::vector<int> beforeRowOf;  // for each row of after: its row before, 0 when inserted
  // The cells of paired rows whose text differs, row by row and column by
  // column: where they stand before, and the same cells where they stand after.
  std::vector<CellMark> before;
  std::vector<CellMark> after;
  int inserted() const;
  int deleted() const;
};

SheetChanges CompareSheets(const SheetTable& before, const SheetTable& after);

// A sheet read from A1 as a grid whose fixed row and column are empty, so
// that the grid's headers show the sheet's own column letters and row numbers.
SampleGrid GridOfSheet(const SheetTable& sheet);

struct SamplePreview {
  std::string Caption = "预览";
  std::string sample;      // the workbook tried; "" before the first try
  std::string sheetName;   // the sheet shown, as it is named before the rules
  SampleGrid before;       // the sheet of the sample
  SampleGrid after;        // the same sheet of the workbook the rules wrote; empty when none was written
  SheetChanges changes;
  std::string outcome;                   // how the try went, in a few lines
  std::vector<std::string> differences;  // what the check of the save found outside the rules' cells
  bool visible = false;
  int raiseRequests = 0;  // the times a try asked for the window to come forward
};

}  // namespace sheetwise::ui

#pragma once
// The grid picker window's model: the sample grid, the window's geometry and
// the selection rectangle the mouse handlers keep. The Qt view mirrors it and
// forwards mouse down/up (with the grid cell under the pointer), key presses
// and resizes to the handlers in ui/handlers/GridPicker.h.

#include <optional>
#include <string>
#include <vector>

namespace sheetwise::ui {

// The sample grid. Row 0 is the fixed (grey) row and column 0 the fixed
// column; the white cells begin at (1, 1). cells[row][column] includes the
// fixed row and column, and every row has the same number of columns.
struct SampleGrid {
  std::vector<std::vector<std::string>> cells;
  int width = 9690;   // twips
  int height = 7095;  // twips
  std::string fontName = "宋体";
  int fontPoints = 9;

  int rows() const { return static_cast<int>(cells.size()); }
  int columns() const { return cells.empty() ? 0 : static_cast<int>(cells.front().size()); }
  // The text shown in a cell; empty outside the grid.
  std::string text(int row, int column) const {
    if (row < 0 || column < 0 || row >= rows() || column >= columns()) return {};
    return cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
  }
};

// Where the mouse went down and came up, in grid cells as the grid reports
// them: -1 outside the cells, 0 on the fixed row or column. The start is unset
// until the first press and then counts as 0 (and as empty text in an entry).
struct Selection {
  std::optional<int> startRow;
  std::optional<int> startColumn;
  int endRow = 0;
  int endColumn = 0;
};

struct Form2 {
  std::string Caption = "选择时 鼠标须在白色区域内";
  // Outer size in twips; initially the 9690 x 7095 client area plus the
  // allowance the resize handler leaves for borders and caption.
  int Width = 9690 + 100;
  int Height = 7095 + 500;
  SampleGrid VSFlexGrid1;
  Selection selection;
  // Loaded and shown (not modal). False once the window has closed itself or
  // been closed; the next quick-add loads it afresh.
  bool visible = false;
  // Counts the times a quick-add asked for the window to come forward.
  int raiseRequests = 0;
};

}  // namespace sheetwise::ui

#include "ui/SamplePreview.h"

#include <algorithm>

namespace sheetwise::ui {

namespace {

size_t Width(const SheetTable& sheet) {
  size_t width = 0;
  for (const auto& row : sheet) width = std::max(width, row.size());
  return width;
}

const std::string& CellOf(const SheetTable& sheet, size_t row, size_t column) {
  static const std::string kEmpty;
  return row < sheet.size() && column < sheet[row].size() ? sheet[row][column] : kEmpty;
}

}  // namespace

std::vector<CellMark> ChangedCells(const SheetTable& before, const SheetTable& after) {
  const size_t rows = std::max(before.size(), after.size());
  const size_t columns = std::max(Width(before), Width(after));
  std::vector<CellMark> changed;
  for (size_t row = 0; row < rows; ++row) {
    for (size_t column = 0; column < columns; ++column) {
      if (CellOf(before, row, column) != CellOf(after, row, column)) {
        changed.push_back({static_cast<int>(row) + 1, static_cast<int>(column) + 1});
      }
    }
  }
  return changed;
}

SampleGrid GridOfSheet(const SheetTable& sheet) {
  const size_t columns = Width(sheet);
  SampleGrid grid;
  grid.cells.assign(sheet.size() + 1, std::vector<std::string>(columns + 1));
  for (size_t row = 0; row < sheet.size(); ++row) {
    std::copy(sheet[row].begin(), sheet[row].end(), grid.cells[row + 1].begin() + 1);
  }
  return grid;
}

}  // namespace sheetwise::ui

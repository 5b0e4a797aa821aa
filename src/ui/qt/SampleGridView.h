#pragma once
// The sample grid on screen: a table whose headers are the grid's fixed row
// and column, and which tells the grid row and column under a point as the
// picker expects them: -1 where no cell is, 0 on the fixed row or column.

#include <QTableView>

namespace sheetwise::ui::qt {

struct GridCell {
  int row = -1;
  int column = -1;
  bool operator==(const GridCell&) const = default;
};

class SampleGridView final : public QTableView {
 public:
  explicit SampleGridView(QWidget* parent = nullptr);

  // point: in this widget's coordinates.
  GridCell cellAt(QPoint point) const;
  // The widgets that receive the mouse over the cells, the headers and their corner.
  QList<QWidget*> pointerSurfaces() const;
};

}  // namespace sheetwise::ui::qt

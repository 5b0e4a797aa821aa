#include "ui/qt/SampleGridView.h"

#include <QAbstractButton>
#include <QHeaderView>

namespace sheetwise::ui::qt {

namespace {

bool Within(int value, int first, int last) { return value >= first && value <= last; }

// A section index of the view (-1 for none) as a grid row or column.
int GridIndex(int section) { return section < 0 ? -1 : section + 1; }

}  // namespace

SampleGridView::SampleGridView(QWidget* parent) : QTableView(parent) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setWordWrap(false);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setMinimumWidth(20);
}

GridCell SampleGridView::cellAt(QPoint point) const {
  const QRect cells = viewport()->geometry();
  const QRect fixedRow = horizontalHeader()->geometry();
  const QRect fixedColumn = verticalHeader()->geometry();
  GridCell cell;
  if (horizontalHeader()->isVisible() && Within(point.y(), fixedRow.top(), fixedRow.bottom())) {
    cell.row = 0;
  } else if (Within(point.y(), cells.top(), cells.bottom())) {
    cell.row = GridIndex(rowAt(point.y() - cells.top()));
  }
  if (verticalHeader()->isVisible() && Within(point.x(), fixedColumn.left(), fixedColumn.right())) {
    cell.column = 0;
  } else if (Within(point.x(), cells.left(), cells.right())) {
    cell.column = GridIndex(columnAt(point.x() - cells.left()));
  }
  return cell;
}

QList<QWidget*> SampleGridView::pointerSurfaces() const {
  QList<QWidget*> surfaces{viewport(), horizontalHeader()->viewport(), verticalHeader()->viewport()};
  for (auto* corner : findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) surfaces << corner;
  return surfaces;
}

}  // namespace sheetwise::ui::qt

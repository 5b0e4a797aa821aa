#include "ui/qt/ExtentList.h"

#include <QScrollBar>
#include <algorithm>

namespace sheetwise::ui::qt {

ExtentList::ExtentList(QWidget* parent) : QListWidget(parent) {
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ExtentList::setHorizontalExtent(int pixels) {
  extent_ = pixels;
  setHorizontalScrollBarPolicy(pixels > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
  updateGeometries();
}

void ExtentList::updateGeometries() {
  QListWidget::updateGeometries();
  QScrollBar* bar = horizontalScrollBar();
  const int beyondView = extent_ - viewport()->width();
  if (beyondView > bar->maximum()) bar->setRange(0, beyondView);
  bar->setPageStep(viewport()->width());
}

}  // namespace sheetwise::ui::qt

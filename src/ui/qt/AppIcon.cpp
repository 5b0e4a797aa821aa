#include "ui/qt/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace sheetwise::ui::qt {

namespace {

QPixmap SheetPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  const double cell = size / 4.0;
  const QRectF sheet(0.5, 0.5, size - 1.0, size - 1.0);
  painter.fillRect(sheet, QColor(255, 255, 255));
  painter.fillRect(QRectF(0.5, 0.5, size - 1.0, cell), QColor(33, 115, 70));
  painter.fillRect(QRectF(cell, 2 * cell, 2 * cell, cell), QColor(255, 255, 192));
  painter.setPen(QColor(160, 160, 160));
  for (int i = 1; i < 4; ++i) {
    painter.drawLine(QPointF(i * cell, cell), QPointF(i * cell, size - 1.0));
    painter.drawLine(QPointF(0.5, i * cell), QPointF(size - 1.0, i * cell));
  }
  painter.setPen(QColor(33, 115, 70));
  painter.drawRect(sheet);
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(SheetPixmap(size));
  return icon;
}

}  // namespace sheetwise::ui::qt

#include "ui/qt/ShapeRect.h"

#include <QPainter>

namespace sheetwise::ui::qt {

ShapeRect::ShapeRect(QColor fill, QColor border, QWidget* parent)
    : QWidget(parent), fill_(fill), border_(border) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeRect::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  painter.fillRect(rect(), fill_);
  painter.setPen(border_);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace sheetwise::ui::qt

#include "ui/qt/SongText.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>

namespace sheetwise::ui::qt {

SongLine SongLineOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const QRect ideograph = metrics.boundingRect(QChar(0x56FD));  // 国
  // One pixel above the tallest ideographs, so that none touches the line above.
  const int ascent = std::max(1, -ideograph.top()) + 1;
  const int height = std::max({font.pixelSize(), ideograph.height() + 2, 1});
  return {ascent, height};
}

int SongTextWidth(const QFont& font, const QString& text) {
  const QFontMetrics metrics(font);
  int width = 0;
  for (const QString& line : text.split(u'\n')) width = std::max(width, metrics.horizontalAdvance(line));
  return width;
}

void DrawSongText(QPainter& painter, const QRect& box, const QString& text, Qt::Alignment alignment) {
  const QFont& font = painter.font();
  const SongLine line = SongLineOf(font);
  const QFontMetrics metrics(font);
  const QStringList lines = text.split(u'\n');
  const int total = line.height * static_cast<int>(lines.size());
  int top = box.top();
  if (alignment & Qt::AlignVCenter) top += (box.height() - total) / 2;
  for (const QString& text : lines) {
    const int width = metrics.horizontalAdvance(text);
    int left = box.left();
    if (alignment & Qt::AlignHCenter) left += (box.width() - width) / 2;
    if (alignment & Qt::AlignRight) left += box.width() - width;
    painter.drawText(QPoint(left, top + line.ascent), text);
    top += line.height;
  }
}

}  // namespace sheetwise::ui::qt

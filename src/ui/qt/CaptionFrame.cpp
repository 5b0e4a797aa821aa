#include "ui/qt/CaptionFrame.h"

#include <QPainter>
#include <QPalette>

#include "ui/qt/SongText.h"

namespace sheetwise::ui::qt {

namespace {
constexpr int kCaptionIndent = 6;  // pixels from the left edge to the caption
constexpr int kCaptionPadding = 2;
}  // namespace

void CaptionFrame::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void CaptionFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const SongLine line = SongLineOf(font());
  const int borderTop = line.height / 2;
  const QRect border = rect().adjusted(0, borderTop, -1, -1);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(border.adjusted(0, 0, -1, -1));
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(border.adjusted(1, 1, 0, 0));
  if (caption_.isEmpty()) return;

  const int width = SongTextWidth(font(), caption_);
  const QRect captionBox(kCaptionIndent, 0, width + 2 * kCaptionPadding, line.height);
  painter.fillRect(captionBox, palette().color(QPalette::Window));
  const auto group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  painter.setPen(palette().color(group, QPalette::WindowText));
  DrawSongText(painter, captionBox.adjusted(kCaptionPadding, 0, 0, 0), caption_, Qt::AlignLeft);
}

}  // namespace sheetwise::ui::qt

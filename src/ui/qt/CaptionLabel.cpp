#include "ui/qt/CaptionLabel.h"

#include <QPainter>
#include <QStringList>

#include "ui/qt/SongText.h"

namespace sheetwise::ui::qt {

void CaptionLabel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (autoSize_) fitToText();
  update();
}

void CaptionLabel::setAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void CaptionLabel::setAutoSize(bool on) {
  autoSize_ = on;
  if (on) fitToText();
}

void CaptionLabel::fitToText() {
  const SongLine line = SongLineOf(font());
  const int lines = static_cast<int>(text_.split(u'\n').size());
  resize(SongTextWidth(font(), text_) + 1, line.height * lines + 1);
}

void CaptionLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const auto group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  painter.setPen(palette().color(group, QPalette::WindowText));
  DrawSongText(painter, rect(), text_, alignment_);
}

}  // namespace sheetwise::ui::qt

#pragma once
// Text set on the line box of the Song faces the layout was drawn with: one
// em per line, the ideographs' top at the line's top. The CJK substitutes
// have much taller ascents and descents; laid out on their own metrics, the
// captions of frames and labels would not fit the twips layout.

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace sheetwise::ui::qt {

struct SongLine {
  int ascent = 0;  // baseline below the line's top
  int height = 0;  // line pitch
};

SongLine SongLineOf(const QFont& font);

// Width of the widest line.
int SongTextWidth(const QFont& font, const QString& text);

// Lines split at LF, horizontally by alignment, vertically centred when
// alignment has Qt::AlignVCenter, otherwise from the top.
void DrawSongText(QPainter& painter, const QRect& box, const QString& text, Qt::Alignment alignment);

}  // namespace sheetwise::ui::qt

#pragma once
// A label that sets its text on the Song line box (see SongText.h), so that
// it fits the place the layout gives it. Optionally sizes itself to its text.

#include <QString>
#include <QWidget>

namespace sheetwise::ui::qt {

class CaptionLabel final : public QWidget {
 public:
  explicit CaptionLabel(QWidget* parent = nullptr) : QWidget(parent) {}

  const QString& text() const { return text_; }
  void setText(const QString& text);
  void setAlignment(Qt::Alignment alignment);
  // Width and height follow the text from now on, the top left corner stays.
  void setAutoSize(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void fitToText();

  QString text_;
  Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
  bool autoSize_ = false;
};

}  // namespace sheetwise::ui::qt

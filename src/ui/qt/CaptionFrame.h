#pragma once
// A frame: an etched border with its caption set into the top edge. Children
// are placed at their twips positions inside it; a disabled frame disables
// everything in it.

#include <QString>
#include <QWidget>

namespace sheetwise::ui::qt {

class CaptionFrame final : public QWidget {
 public:
  explicit CaptionFrame(QWidget* parent = nullptr) : QWidget(parent) {}

  const QString& caption() const { return caption_; }
  void setCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

}  // namespace sheetwise::ui::qt

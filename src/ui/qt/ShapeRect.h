#pragma once
// A plain rectangle: a fill colour and a one-pixel border.

#include <QColor>
#include <QWidget>

namespace sheetwise::ui::qt {

class ShapeRect final : public QWidget {
 public:
  ShapeRect(QColor fill, QColor border, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill_;
  QColor border_;
};

}  // namespace sheetwise::ui::qt

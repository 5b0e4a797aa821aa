#pragma once
// A list box whose lines can be scrolled sideways over at least a given
// width, however short they are; longer lines widen it further.

#include <QListWidget>

namespace sheetwise::ui::qt {

class ExtentList final : public QListWidget {
 public:
  explicit ExtentList(QWidget* parent = nullptr);

  int horizontalExtent() const { return extent_; }
  void setHorizontalExtent(int pixels);

 protected:
  void updateGeometries() override;

 private:
  int extent_ = 0;
};

}  // namespace sheetwise::ui::qt

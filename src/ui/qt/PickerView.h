#pragma once
// The grid picker window (Form2): shows the sample grid and forwards the
// mouse going down and up over it (with the grid cell under the pointer),
// the Enter key, resizing and closing to the picker's handlers. It is shown,
// refilled, brought forward and hidden as its model says.

#include <QWidget>

#include "ui/Form2.h"
#include "ui/handlers/GridPicker.h"
#include "ui/qt/MainBinder.h"

class QLabel;

namespace sheetwise::ui::qt {

class SampleGridModel;
class SampleGridView;

class PickerView final : public QWidget {
 public:
  // parent: the main window, whose icon this window takes.
  PickerView(Form2& form, rules::GridPicker& picker, HandlerRunner run, QWidget* parent);

  void refresh();
  SampleGridView& grid() { return *grid_; }

  // The outer size in twips is the client area plus what the model allows for
  // the borders and the caption, so that the grid fills the client area
  // whatever the window manager draws around it.
  static constexpr TwipsSize kBorderAllowance{100, 500};

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void load();
  bool forwardMouse(QObject* watched, QEvent* event);
  bool forwardKey(QEvent* event);

  Form2& form_;
  rules::GridPicker& picker_;
  HandlerRunner run_;
  SampleGridView* grid_;
  SampleGridModel* cells_;
  QLabel* hint_;  // how to pick, below the grid
  int shownRequests_ = 0;
  bool loaded_ = false;
};

}  // namespace sheetwise::ui::qt

#pragma once
// The about box (Form4): the first window of the program, a fixed-size tool
// window centred on the screen. "准备好了" shows the main window, "退出" and
// the title-bar close button end the program, as the handlers choose.

#include <QWidget>
#include <functional>

#include "ui/Form4.h"

namespace sheetwise::ui::qt {

class AboutBoxView final : public QWidget {
 public:
  // mainWindow: already loaded and hidden; its icon is shown here.
  AboutBoxView(Form4& form, QWidget& mainWindow, std::function<void()> endProgram);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void act(AboutChoice choice);
  void centreOnScreen();

  Form4& form_;
  QWidget& mainWindow_;
  std::function<void()> endProgram_;
};

}  // namespace sheetwise::ui::qt

// The run commands and timers of the main window, the memory bar and the
// error log's double click, through the widgets.

#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

#include "WindowFixture.h"

namespace sheetwise::test {
namespace {

using Lines = std::vector<std::string>;
using RunControlsView = WindowFixture;

// What the window system delivers for a double click: a click, then a press
// followed by the double-click event, then the release.
void DoubleClick(QWidget* target, QPoint at) {
  QTest::mouseClick(target, Qt::LeftButton, {}, at);
  QTest::mousePress(target, Qt::LeftButton, {}, at);
  QTest::mouseDClick(target, Qt::LeftButton, {}, at);
  QTest::mouseRelease(target, Qt::LeftButton, {}, at);
}

TEST_F(RunControlsView, RunProcessesTheQueueOnTheDriverTimerAndEndsWithOk) {
  dialogs.folderAnswers.push_back(scratch.path().string());
  click("Command5");
  form.Text4.text = "/src/";  // as a chosen source folder leaves them
  form.List2.items = {"/src/a.xls", "/src/b.xls"};
  window->refresh();
  widget<QScrollBar>("HScroll1").setValue(5);
  EXPECT_EQ(form.HScroll1.value, 5);

  click("Command4");
  auto& timer = widget<QTimer>("Timer1");
  EXPECT_TRUE(timer.isActive());
  EXPECT_EQ(timer.interval(), 5);
  EXPECT_FALSE(widget<QWidget>("Frame1").isEnabled());
  EXPECT_FALSE(widget<QWidget>("Command5").isEnabled());
  EXPECT_FALSE(widget<QWidget>("Frame2").isEnabled());

  EXPECT_TRUE(QTest::qWaitFor([&] { return !timer.isActive(); }, 5000));
  EXPECT_EQ(processed, (Lines{"/src/a.xls", "/src/b.xls"}));
  EXPECT_EQ(dialogs.messageTexts(), Lines{"ok"});
  EXPECT_EQ(officeEndings, 1);
  EXPECT_EQ(widget<QListWidget>("List2").count(), 0);
  EXPECT_TRUE(widget<QWidget>("Frame1").isEnabled());
  EXPECT_EQ(widget<QWidget>("Shape2").width(), widget<QWidget>("Shape1").width());
}

TEST_F(RunControlsView, PauseAndContinueStopAndRestartTheDriverTimer) {
  click("Command7");
  EXPECT_TRUE(widget<QTimer>("Timer1").isActive());
  click("Command6");
  EXPECT_FALSE(widget<QTimer>("Timer1").isActive());
  click("Command7");
  click("Command8");
  EXPECT_FALSE(widget<QTimer>("Timer1").isActive());
}

TEST_F(RunControlsView, MemoryTimerShowsTheShareInUse) {
  memory.status = {1000, 450};
  form.Timer2.interval = 10;
  window->refresh();
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.Frame19.caption != "内存占用"; }, 2000));
  EXPECT_EQ(form.Frame19.caption, "内存占用 55.00%");
  EXPECT_EQ(widget<QWidget>("Shape4").width(), 89);  // 55 % of 2415 twips
}

TEST_F(RunControlsView, DoubleClickOnALoggedFileOpensIt) {
  form.List4.items = {"不是文件", batch::VetoEntry("/data/报表.xls")};
  window->refresh();
  auto& log = widget<QListWidget>("List4");
  DoubleClick(log.viewport(), log.visualItemRect(log.item(1)).center());
  EXPECT_EQ(opener.opened, Lines{"/data/报表.xls"});
  DoubleClick(log.viewport(), log.visualItemRect(log.item(0)).center());
  EXPECT_EQ(opener.opened, Lines{"/data/报表.xls"});
}

}  // namespace
}  // namespace sheetwise::test

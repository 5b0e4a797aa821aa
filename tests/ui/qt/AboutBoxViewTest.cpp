// The about box: its notice and its two ways out.

#include <QPlainTextEdit>
#include <QPushButton>

#include "WindowFixture.h"
#include "ui/Form4.h"
#include "ui/qt/AboutBoxView.h"

namespace sheetwise::test {
namespace {

class AboutBoxView : public ::testing::Test {
 protected:
  template <typename W>
  W& widget(const char* name) {
    return Child<W>(about, name);
  }

  ui::Form4 form;
  QWidget mainWindow;
  int ends = 0;
  ui::qt::AboutBoxView about{form, mainWindow, [this] { ++ends; }};
};

TEST_F(AboutBoxView, IsAFixedToolWindowWithTheNotice) {
  EXPECT_EQ(about.windowTitle(), "Sheetwise V1.1");
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::Tool));
  const auto& notice = widget<QPlainTextEdit>("Text1");
  EXPECT_TRUE(notice.toPlainText().startsWith("Sheetwise\tV1.1\n本软件为避免重复性劳动而软件工具，具有实用性。\n"));
  EXPECT_FALSE(notice.toPlainText().contains(u'\r'));
  EXPECT_TRUE(notice.isReadOnly());
}

// 准备好了 shows the main window; 退出 and the title bar's close end the program.
TEST_F(AboutBoxView, EachWayOut) {
  const std::tuple<std::function<void()>, int, bool> ways[] = {
      {[&] { QTest::mouseClick(&widget<QPushButton>("Command1"), Qt::LeftButton); }, 0, true},
      {[&] { QTest::mouseClick(&widget<QPushButton>("Command2"), Qt::LeftButton); }, 1, false},
      {[&] { about.close(); }, 2, false}};
  for (const auto& [leave, endsAfter, mainShown] : ways) {
    mainWindow.hide();
    about.show();
    leave();
    EXPECT_EQ(ends, endsAfter);
    EXPECT_EQ(mainWindow.isVisible(), mainShown);
    EXPECT_TRUE(!mainShown || !about.isVisible());
  }
}

}  // namespace
}  // namespace sheetwise::test

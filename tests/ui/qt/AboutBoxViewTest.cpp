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
    W* found = about.findChild<W*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no widget ") + name);
    return *found;
  }

  ui::Form4 form;
  QWidget mainWindow;
  int ends = 0;
  ui::qt::AboutBoxView about{form, mainWindow, [this] { ++ends; }};
};

TEST_F(AboutBoxView, IsAFixedToolWindowWithTheNotice) {
  EXPECT_EQ(about.windowTitle(), "Sheetwise V1.1");
  EXPECT_EQ(about.size(), QSize(410, 369));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_TRUE(about.windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(about.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

  const QString notice = widget<QPlainTextEdit>("Text1").toPlainText();
  EXPECT_TRUE(notice.startsWith("Sheetwise\tV1.1\n本软件为避免重复性劳动而软件工具，具有实用性。\n"));
  EXPECT_TRUE(notice.contains("\n\t快速命名保存。\n"));
  EXPECT_TRUE(notice.contains(QString(53, u'=')));
  EXPECT_FALSE(notice.contains(u'\r'));
  EXPECT_TRUE(widget<QPlainTextEdit>("Text1").isReadOnly());
  EXPECT_EQ(widget<QPushButton>("Command1").text(), "准备好了");
  EXPECT_EQ(widget<QPushButton>("Command2").text(), "退出");
  EXPECT_EQ(widget<QWidget>("Command1").geometry(), QRect(56, 320, 97, 41));
}

TEST_F(AboutBoxView, ReadyShowsTheMainWindowAndClosesTheBox) {
  about.show();
  QTest::mouseClick(&widget<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_TRUE(mainWindow.isVisible());
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(ends, 0);
}

TEST_F(AboutBoxView, QuitEndsTheProgramWithoutShowingTheMainWindow) {
  about.show();
  QTest::mouseClick(&widget<QPushButton>("Command2"), Qt::LeftButton);
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(mainWindow.isVisible());
}

TEST_F(AboutBoxView, TitleBarCloseEndsTheProgramToo) {
  about.show();
  about.close();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(mainWindow.isVisible());
}

}  // namespace
}  // namespace sheetwise::test

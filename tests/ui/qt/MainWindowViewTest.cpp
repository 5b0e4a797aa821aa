// The main window as loaded: its controls' places and start-up state, the
// enabling of "打开目录", and closing.

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "WindowFixture.h"

namespace sheetwise::test {
namespace {

using MainWindowView = WindowFixture;

struct Place {
  const char* name;
  QRect pixels;  // relative to the control's container
};

TEST_F(MainWindowView, TopLevelControlsStandAtTheirTwipsPlacesInPixels) {
  const Place places[] = {
      {"Frame15", {0, 0, 808, 175}},    {"List2", {3, 13, 801, 156}},     {"Frame9", {0, 176, 384, 134}},
      {"List3", {3, 13, 376, 114}},     {"Command3", {280, 101, 49, 25}}, {"Command10", {328, 101, 49, 25}},
      {"Frame6", {384, 176, 424, 134}}, {"List4", {2, 13, 417, 114}},     {"Picture1", {0, 312, 385, 313}},
      {"Frame3", {392, 310, 417, 43}},  {"HScroll1", {8, 17, 401, 17}},   {"Frame5", {392, 350, 417, 33}},
      {"Frame4", {392, 387, 417, 73}},  {"Text4", {8, 16, 313, 20}},      {"Command2", {336, 13, 73, 25}},
      {"Text5", {8, 43, 313, 21}},      {"Command5", {336, 40, 73, 25}},  {"Frame2", {392, 464, 209, 65}},
      {"Frame7", {608, 464, 201, 41}},  {"Check1", {608, 512, 121, 17}},  {"Frame8", {392, 536, 417, 41}},
      {"Frame19", {392, 577, 177, 41}}, {"Shape3", {8, 13, 161, 23}},     {"Command6", {576, 584, 57, 33}},
      {"Command7", {632, 584, 57, 33}}, {"Command8", {688, 584, 57, 33}}, {"Command4", {744, 584, 65, 33}},
      {"Shape1", {0, 626, 809, 25}},
  };
  for (const auto& place : places) {
    EXPECT_EQ(widget<QWidget>(place.name).geometry(), place.pixels) << place.name;
  }
  EXPECT_EQ(window->size(), QSize(809, 653));
  EXPECT_EQ(widget<QWidget>("Label8").pos(), QPoint(376, 632));
  EXPECT_EQ(widget<QWidget>("Shape2").width(), 1);
  EXPECT_EQ(widget<QWidget>("VScroll1").geometry(), QRect(364, 0, 17, 310));
  EXPECT_EQ(widget<QWidget>("Frame1").geometry(), QRect(0, 0, 369, 457));
}

TEST_F(MainWindowView, StartsInTheLoadedState) {
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(widget<QLineEdit>("Text9").text(), "Sheet1");
  EXPECT_TRUE(widget<QLineEdit>("Text9").isEnabled());
  EXPECT_FALSE(widget<QPushButton>("Command2").isEnabled());
  EXPECT_TRUE(widget<QPushButton>("Command5").isEnabled());
  EXPECT_EQ(widget<QComboBox>("Combo1").currentText(), "正行");
  EXPECT_EQ(widget<QComboBox>("Combo1").count(), 1);
  EXPECT_EQ(widget<QComboBox>("Combo2").currentText(), "正行");
  EXPECT_EQ(widget<QLineEdit>("Text10").text(), "");
  EXPECT_EQ(widget<QLineEdit>("Text10").placeholderText(), "数字");
  EXPECT_EQ(widget<QLineEdit>("Text13").placeholderText(), "大写字母");
  EXPECT_FALSE(widget<QCheckBox>("Check1").isChecked());
  EXPECT_FALSE(widget<QCheckBox>("Check2").isChecked());
  EXPECT_EQ(widget<QListWidget>("List2").count(), 0);
  EXPECT_FALSE(widget<QWidget>("List1").isVisibleTo(window.get()));
  EXPECT_FALSE(widget<QWidget>("xiaotou").isVisibleTo(window.get()));
  EXPECT_EQ(widget<QPushButton>("Command4").text(), "开始");

  auto& timer1 = widget<QTimer>("Timer1");
  auto& timer2 = widget<QTimer>("Timer2");
  EXPECT_FALSE(timer1.isActive());
  EXPECT_TRUE(timer2.isActive());
  EXPECT_EQ(timer2.interval(), 1000);

  auto& speed = widget<QScrollBar>("HScroll1");
  EXPECT_EQ(speed.maximum(), 2000);
  EXPECT_EQ(speed.value(), 500);
  auto& panelBar = widget<QScrollBar>("VScroll1");
  EXPECT_EQ(panelBar.maximum(), 2160);
  EXPECT_EQ(panelBar.value(), 0);
}

TEST_F(MainWindowView, FolderFieldsAreLockedAndLightYellow) {
  const QColor lightYellow(255, 255, 192);
  for (const char* name : {"Text4", "Text5"}) {
    auto& field = widget<QLineEdit>(name);
    EXPECT_TRUE(field.isReadOnly()) << name;
    EXPECT_EQ(field.palette().color(QPalette::Base), lightYellow) << name;
  }
  EXPECT_FALSE(widget<QLineEdit>("Text9").isReadOnly());
  EXPECT_EQ(widget<QLineEdit>("Text9").palette().color(QPalette::Base), lightYellow);
  EXPECT_NE(widget<QLineEdit>("Text1").palette().color(QPalette::Base), lightYellow);
}

TEST_F(MainWindowView, SongFontsFallBackOnAnInstalledCjkFace) {
  for (const char* name : {"List2", "List3", "List4", "Text1", "Text9"}) {
    EXPECT_TRUE(QFontInfo(widget<QWidget>(name).font()).family().contains("CJK")) << name;
  }
  EXPECT_EQ(widget<QWidget>("List3").font().pixelSize(), 16);  // 12 points
  EXPECT_EQ(widget<QWidget>("Text1").font().pixelSize(), 14);  // 10.5 points
  EXPECT_EQ(widget<QWidget>("Text9").font().pixelSize(), 12);  // 9 points
}

TEST_F(MainWindowView, SourceFolderCanBeChosenOnlyAfterTheSheetNameIsConfirmed) {
  auto& openFolder = widget<QPushButton>("Command2");
  auto& sheetName = widget<QLineEdit>("Text9");
  click("Command2");
  EXPECT_TRUE(dialogs.messages.empty());

  click("Command11");
  EXPECT_TRUE(openFolder.isEnabled());
  EXPECT_FALSE(sheetName.isEnabled());

  click("Command12");
  EXPECT_FALSE(openFolder.isEnabled());
  EXPECT_TRUE(sheetName.isEnabled());
  EXPECT_EQ(sheetName.text(), "Sheet1");
}

TEST_F(MainWindowView, ChosenSourceFolderFillsTheFileQueue) {
  scratch.copyFixture("sheets.xls", "b.xls");
  scratch.copyFixture("sheets.xls", "a.XLS");
  dialogs.folderAnswers.push_back(scratch.path().string());
  click("Command11");
  click("Command2");
  const std::string folder = scratch.path().string() + "/";
  EXPECT_EQ(widget<QLineEdit>("Text4").text().toStdString(), folder);
  EXPECT_EQ(shownLines("List2"), (std::vector<std::string>{folder + "a.XLS", folder + "b.xls"}));
  EXPECT_EQ(widget<QListWidget>("List2").horizontalScrollBar()->maximum(),
            2000 - widget<QListWidget>("List2").viewport()->width());
}

TEST_F(MainWindowView, ClosingRunsTheCleanUpAndEndsTheProgram) {
  window->show();
  window->close();
  EXPECT_EQ(cleanUps, 1);
  EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace sheetwise::test

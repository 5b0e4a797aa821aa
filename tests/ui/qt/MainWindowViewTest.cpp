// The main window as loaded: its start-up state, the
// enabling of "打开目录", and closing.

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

TEST_F(MainWindowView, StartsInTheLoadedState) {
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->size(), QSize(809, 653));
  EXPECT_EQ(widget<QLineEdit>("Text9").text(), "Sheet1");
  EXPECT_FALSE(widget<QPushButton>("Command2").isEnabled());
  EXPECT_EQ(widget<QComboBox>("Combo2").currentText(), "正行");
  EXPECT_FALSE(widget<QWidget>("List1").isVisibleTo(window.get()));
  EXPECT_FALSE(widget<QTimer>("Timer1").isActive());
  EXPECT_TRUE(widget<QTimer>("Timer2").isActive());
  EXPECT_EQ(widget<QScrollBar>("HScroll1").value(), 500);
  EXPECT_EQ(widget<QScrollBar>("VScroll1").maximum(), 2160);
  for (const char* name : {"Text4", "Text5"}) EXPECT_TRUE(widget<QLineEdit>(name).isReadOnly()) << name;
}

TEST_F(MainWindowView, SongFontsFallBackOnAnInstalledCjkFace) {
  for (const char* name : {"List2", "List3", "List4", "Text1", "Text9"}) {
    EXPECT_TRUE(QFontInfo(widget<QWidget>(name).font()).family().contains("CJK")) << name;
  }
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

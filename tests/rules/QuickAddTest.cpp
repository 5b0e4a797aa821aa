#include "rules/QuickAdd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"
#include "rules/GridPicker.h"

namespace sheetwise::rules {
namespace {
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class QuickAddTest : public ::testing::Test {
 protected:
  // Chooses path in the file dialog of the sample button or of the extraction sample button.
  void pick(const std::string& path, bool extractionButton = false) {
    dialogs.fileAnswers = {path};
    dialogs.messages.clear();
    extractionButton ? commands.command16() : commands.command9();
  }

  ui::Form1 main;
  ui::Form2 picker;
  test::ScriptedDialogs dialogs;
  QuickAdd commands{main, picker, dialogs, test::SharedHost()};
};

const std::string kSheets = test::Fixture("sheets.xls");

// Sheet rows and columns from A1 are grid rows and columns from 1 (C3 holds
// 44.66); the sample, named with an upper-case extension, is left untouched.
TEST_F(QuickAddTest, SheetFromA1ShowsAsTheGridFromRowAndColumnOne) {
  test::TempDir dir;
  const std::string path = dir.copyFixture("sheets.xls", "BOOK.XLS");
  const auto before = fs::last_write_time(path);
  pick(path);
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(picker.visible);
  const auto& grid = picker.VSFlexGrid1;
  ASSERT_EQ(grid.rows(), 11);
  ASSERT_EQ(grid.columns(), 8);
  EXPECT_EQ(grid.text(1, 1), "Date");
  EXPECT_EQ(grid.text(2, 2), "张三");
  EXPECT_EQ(grid.text(3, 3), "44.66");
  for (int c = 0; c < grid.columns(); ++c) EXPECT_EQ(grid.text(0, c), "");
  for (int r = 0; r < grid.rows(); ++r) EXPECT_EQ(grid.text(r, 0), "");
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(dir.listing(), "BOOK.XLS\n");
}

// The used range from grid row one, whatever cell it starts at; a sheet
// without values shows one blank cell.
TEST_F(QuickAddTest, OtherSheetsShowTheirUsedRange) {
  const std::pair<std::string, std::vector<Texts>> cases[] = {
      {"Sheet3", {{"", "", ""}, {"", "", "head"}, {"", "100 px", ""}}},  // B3 empty, C3 "head", B4 "100 px"
      {"Sheet2", {{"", ""}, {"", ""}}}};
  main.Check2.value = 1;
  for (const auto& [sheet, cells] : cases) {
    main.Text9.text = sheet;
    pick(kSheets, true);
    EXPECT_TRUE(dialogs.messages.empty()) << "case " << sheet;
    EXPECT_TRUE(picker.visible) << "case " << sheet;
    EXPECT_EQ(picker.VSFlexGrid1.cells, cells) << "case " << sheet;
  }
}

// Whatever keeps the sheet from being read is a bad sheet name; a path that is
// no file or has no ".xls" in its name, a missing file.
TEST_F(QuickAddTest, UnreadableSamplesAreReportedAndNothingIsShown) {
  test::TempDir dir;
  std::ofstream(dir / "empty.xls").close();
  fs::create_directory(dir / "folder.xls");
  const auto info = ui::MessageStyle::Information;
  const auto plain = ui::MessageStyle::Plain;
  const struct {
    std::string path, sheet, message;
    ui::MessageStyle style;
  } cases[] = {{kSheets, "NoSuchSheet", "表名不正确", info},
               {kSheets, "", "表名不正确", info},
               {dir.copyFixture("sheets.xlsx", "x.xls"), "Sheet1", "表名不正确", info},
               {dir / "empty.xls", "Sheet1", "表名不正确", info},
               {dir / "absent.xls", "Sheet1", "文件不存在", plain},
               {dir.copyFixture("sheets.xls", "book.dat"), "Sheet1", "文件不存在", plain},
               {dir / "folder.xls", "Sheet1", "文件不存在", plain}};
  for (const auto& c : cases) {
    main.Text9.text = c.sheet;
    pick(c.path);
    EXPECT_EQ(dialogs.messageTexts(), Texts{c.message}) << "case " << c.path << " [" << c.sheet << "]";
    EXPECT_EQ(dialogs.messages.at(0).second, c.style) << "case " << c.path << " [" << c.sheet << "]";
    EXPECT_FALSE(picker.visible) << "case " << c.path << " [" << c.sheet << "]";
  }
}

// A cancelled dialog does nothing; without extraction mode the extraction
// button does not even ask for a file.
TEST_F(QuickAddTest, CancelledOrOutsideExtractionModeNothingIsShown) {
  pick("");
  EXPECT_TRUE(dialogs.messages.empty());
  pick(kSheets, true);
  EXPECT_EQ(dialogs.messageTexts(), Texts{"还没点击开启！"});
  EXPECT_EQ(dialogs.fileAnswers.size(), 1u);
  EXPECT_FALSE(picker.visible);
}

// Again while open: the grid refilled and the selection kept; a failure leaves
// the window as it was; once closed, the window is loaded afresh.
TEST_F(QuickAddTest, AgainWhileOpenRefillsTheGridAndKeepsTheSelection) {
  pick(kSheets);
  GridPicker handlers{picker, main, dialogs};
  handlers.mouseDown(2, 2);
  pick(test::Fixture("second_active.xls"));
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 1), "value");
  EXPECT_EQ(picker.selection.startRow, 2);
  EXPECT_EQ(picker.raiseRequests, 2);
  main.Text9.text = "NoSuchSheet";
  pick(kSheets);
  EXPECT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 1), "value");
  handlers.close();
  main.Text9.text = "Sheet1";
  pick(kSheets);
  EXPECT_TRUE(picker.visible);
  EXPECT_FALSE(picker.selection.startRow.has_value());
}

}  // namespace
}  // namespace sheetwise::rules

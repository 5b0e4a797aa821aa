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
using test::SharedHost;
using test::TempDir;
using Texts = std::vector<std::string>;

// Also remembers the filter each file dialog was shown with.
class FileDialogs : public test::ScriptedDialogs {
 public:
  Texts filters;
  std::string chooseFile(const std::string& filter) override {
    filters.push_back(filter);
    return ScriptedDialogs::chooseFile(filter);
  }
};

class QuickAddTest : public ::testing::Test {
 protected:
  void pick(const std::string& path, bool extractionButton = false) {
    dialogs.fileAnswers = {path};
    if (extractionButton) {
      commands.command16();
    } else {
      commands.command9();
    }
  }

  void expectOnlyMessage(const std::string& text, ui::MessageStyle style) {
    ASSERT_EQ(dialogs.messageTexts(), Texts{text});
    EXPECT_EQ(dialogs.messages[0].second, style);
    EXPECT_FALSE(picker.visible);
  }

  ui::Form1 main;
  ui::Form2 picker;
  FileDialogs dialogs;
  QuickAdd commands{main, picker, dialogs, SharedHost()};
};

const std::string kSheets = test::Fixture("sheets.xls");

TEST_F(QuickAddTest, SheetFromA1ShowsSheetRowsAndColumnsAsGridRowsAndColumns) {
  pick(kSheets);
  EXPECT_EQ(dialogs.filters, Texts{"Execl 文档 (*.xls)"});
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(picker.visible);
  const auto& grid = picker.VSFlexGrid1;
  ASSERT_EQ(grid.rows(), 11);
  ASSERT_EQ(grid.columns(), 8);
  EXPECT_EQ(grid.text(1, 1), "Date");  // the column-name row is grid row 1
  EXPECT_EQ(grid.text(2, 2), "张三");
  EXPECT_EQ(grid.text(4, 6), "A-4");
  for (int c = 0; c < grid.columns(); ++c) EXPECT_EQ(grid.text(0, c), "");
  for (int r = 0; r < grid.rows(); ++r) EXPECT_EQ(grid.text(r, 0), "");

  // Grid cells taken as sheet cells: C3 holds 44.66.
  GridPicker handlers{picker, main, dialogs};
  handlers.mouseDown(3, 3);
  handlers.mouseUp(3, 3);
  dialogs.inputAnswers = {"X"};
  handlers.keyPress(kEnterKey);
  EXPECT_EQ(main.List3.items, Texts{"{小偷}3|C|"});
  EXPECT_EQ(grid.text(3, 3), "44.66");
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
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(picker.visible);
    EXPECT_EQ(picker.VSFlexGrid1.cells, cells) << sheet;
  }
}

TEST_F(QuickAddTest, SampleWithAnUpperCaseExtensionIsReadAndLeftUntouched) {
  TempDir dir;
  const std::string path = dir.copyFixture("sheets.xls", "BOOK.XLS");
  const auto before = fs::last_write_time(path);
  pick(path);
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(1, 1), "Date");
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(dir.listing(), "BOOK.XLS\n");
}

TEST_F(QuickAddTest, UnreadableSheetsAreReportedAsBadSheetNames) {
  TempDir dir;
  const std::string foreign = dir.copyFixture("sheets.xlsx", "x.xls");
  const std::string empty = dir / "empty.xls";
  std::ofstream(empty).close();
  const std::pair<std::string, std::string> cases[] = {
      {kSheets, "NoSuchSheet"}, {kSheets, ""}, {foreign, "Sheet1"}, {empty, "Sheet1"}};
  for (const auto& [path, sheet] : cases) {
    SCOPED_TRACE(path + " [" + sheet + "]");
    dialogs.messages.clear();
    main.Text9.text = sheet;
    pick(path);
    expectOnlyMessage("表名不正确", ui::MessageStyle::Information);
  }
}

TEST_F(QuickAddTest, MissingFilesAndOtherNamesAreReportedAsMissing) {
  TempDir dir;
  const std::string notXls = dir.copyFixture("sheets.xls", "book.dat");
  fs::create_directory(dir / "folder.xls");
  for (const auto& path : {dir / "absent.xls", notXls, dir / "folder.xls"}) {
    SCOPED_TRACE(path);
    dialogs.messages.clear();
    pick(path);
    expectOnlyMessage("文件不存在", ui::MessageStyle::Plain);
  }
}

TEST_F(QuickAddTest, CancelledDialogDoesNothing) {
  pick("");
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_FALSE(picker.visible);
}

TEST_F(QuickAddTest, ExtractionButtonNeedsExtractionMode) {
  dialogs.fileAnswers = {kSheets};
  commands.command16();
  expectOnlyMessage("还没点击开启！", ui::MessageStyle::Plain);
  EXPECT_TRUE(dialogs.filters.empty());
}

TEST_F(QuickAddTest, AgainWhileOpenRefillsTheGridAndKeepsTheSelection) {
  pick(kSheets);
  GridPicker handlers{picker, main, dialogs};
  handlers.mouseDown(2, 2);
  pick(test::Fixture("second_active.xls"));
  EXPECT_EQ(picker.VSFlexGrid1.text(1, 1), "姓名");
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 1), "value");
  EXPECT_EQ(picker.VSFlexGrid1.rows(), 6);
  EXPECT_EQ(picker.VSFlexGrid1.columns(), 35);
  EXPECT_EQ(picker.selection.startRow, 2);
  EXPECT_EQ(picker.raiseRequests, 2);

  // A failure leaves the open window as it was.
  main.Text9.text = "NoSuchSheet";
  pick(kSheets);
  EXPECT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 1), "value");

  // Once closed, the window is loaded afresh.
  handlers.close();
  main.Text9.text = "Sheet1";
  pick(kSheets);
  EXPECT_TRUE(picker.visible);
  EXPECT_FALSE(picker.selection.startRow.has_value());
}

}  // namespace
}  // namespace sheetwise::rules

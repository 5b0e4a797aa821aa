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
using test::Corpus;
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

// A copy of row_heights.xls whose values start at B3: B3 empty, C3 "head", B4 "100 px".
std::string MakeSheetStartingAtB3(const TempDir& dir) {
  const std::string path = dir / "from_b3.xls";
  auto book = SharedHost().open(Corpus("row_heights.xls"), host::OpenMode::Edit);
  auto sheet = book->worksheet("Sheet1");
  sheet->range("1:2")->clearContents();
  sheet->range("A:A")->clearContents();
  sheet->setCell(3, 3, "head");
  book->saveAs(path);
  return path;
}

TEST_F(QuickAddTest, SheetFromA1ShowsSheetRowsAndColumnsAsGridRowsAndColumns) {
  pick(Corpus("column_widths.xls"));
  EXPECT_EQ(dialogs.filters, Texts{"Execl 文档 (*.xls)"});
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(picker.visible);
  const auto& grid = picker.VSFlexGrid1;
  ASSERT_EQ(grid.rows(), 5);
  ASSERT_EQ(grid.columns(), 9);
  EXPECT_EQ(grid.text(1, 1), "default");  // the column-name row is grid row 1
  EXPECT_EQ(grid.text(2, 1), "W 10");
  EXPECT_EQ(grid.text(3, 3), "W 15.83");
  EXPECT_EQ(grid.text(4, 8), "101 px");
  for (int c = 0; c < grid.columns(); ++c) EXPECT_EQ(grid.text(0, c), "");
  for (int r = 0; r < grid.rows(); ++r) EXPECT_EQ(grid.text(r, 0), "");

  // Grid cells taken as sheet cells: G3 holds "77 px".
  GridPicker handlers{picker, main, dialogs};
  handlers.mouseDown(3, 7);
  handlers.mouseUp(3, 7);
  dialogs.inputAnswers = {"X"};
  handlers.keyPress(kEnterKey);
  EXPECT_EQ(main.List3.items, Texts{"{小偷}3|G|"});
  EXPECT_EQ(grid.text(3, 7), "77 px");
}

TEST_F(QuickAddTest, SheetStartingLowerShowsItsUsedRangeFromGridRowOne) {
  TempDir dir;
  const std::string path = MakeSheetStartingAtB3(dir);
  main.Check2.value = 1;
  pick(path, true);
  EXPECT_TRUE(dialogs.messages.empty());
  ASSERT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.cells, (std::vector<Texts>{{"", "", ""}, {"", "", "head"}, {"", "100 px", ""}}));
}

TEST_F(QuickAddTest, SampleWorkbookIsLeftUntouched) {
  TempDir dir;
  const std::string path = dir.copyCorpus("column_widths.xls", "sample.xls");
  const auto before = fs::last_write_time(path);
  pick(path);
  ASSERT_TRUE(picker.visible);
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(dir.listing(), "sample.xls\n");
}

TEST_F(QuickAddTest, UpperCaseExtensionIsAccepted) {
  TempDir dir;
  pick(dir.copyCorpus("column_widths.xls", "BOOK.XLS"));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(1, 1), "default");
}

TEST_F(QuickAddTest, SheetWithoutValuesShowsOneBlankCell) {
  main.Text9.text = "empty";
  pick(Corpus("empty_first_sheet.xls"));
  ASSERT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.cells, (std::vector<Texts>{{"", ""}, {"", ""}}));
}

TEST_F(QuickAddTest, UnreadableSheetsAreReportedAsBadSheetNames) {
  TempDir dir;
  const std::string foreign = dir.copyCorpus("xlsx_renamed.xls", "x.xls");
  const std::string empty = dir / "empty.xls";
  std::ofstream(empty).close();
  const std::pair<std::string, std::string> cases[] = {
      {Corpus("column_widths.xls"), "NoSuchSheet"},
      {Corpus("column_widths.xls"), ""},
      {foreign, "Sheet1"},
      {empty, "Sheet1"},
      {Corpus("encrypted_xor_password.xls"), "Sheet1"},
  };
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
  const std::string notXls = dir.copyCorpus("column_widths.xls", "book.dat");
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
  dialogs.fileAnswers = {Corpus("column_widths.xls")};
  commands.command16();
  expectOnlyMessage("还没点击开启！", ui::MessageStyle::Plain);
  EXPECT_TRUE(dialogs.filters.empty());
}

TEST_F(QuickAddTest, AgainWhileOpenRefillsTheGridAndKeepsTheSelection) {
  pick(Corpus("column_widths.xls"));
  GridPicker handlers{picker, main, dialogs};
  handlers.mouseDown(2, 2);
  pick(Corpus("row_heights.xls"));
  EXPECT_EQ(picker.VSFlexGrid1.text(1, 1), "default");
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 3), "1 px");
  EXPECT_EQ(picker.VSFlexGrid1.rows(), 5);
  EXPECT_EQ(picker.VSFlexGrid1.columns(), 4);
  EXPECT_EQ(picker.selection.startRow, 2);
  EXPECT_EQ(picker.raiseRequests, 2);

  // A failure leaves the open window as it was.
  main.Text9.text = "NoSuchSheet";
  pick(Corpus("column_widths.xls"));
  EXPECT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(2, 3), "1 px");

  // Once closed, the window is loaded afresh.
  handlers.close();
  main.Text9.text = "Sheet1";
  pick(Corpus("row_heights.xls"));
  EXPECT_TRUE(picker.visible);
  EXPECT_FALSE(picker.selection.startRow.has_value());
}

}  // namespace
}  // namespace sheetwise::rules

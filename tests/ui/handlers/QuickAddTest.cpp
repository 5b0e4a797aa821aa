#include "ui/handlers/QuickAdd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "BookSnapshot.h"
#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"
#include "ui/handlers/GridPicker.h"

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
// Again while open: the grid refilled, the selection kept; a failure leaves the
// window as it was; once closed, the window is loaded afresh.
TEST_F(QuickAddTest, SampleFillsTheGridFromA1AndAgainWhileOpenKeepsTheSelection) {
  test::TempDir dir;
  const std::string path = dir.copyFixture("sheets.xls", "BOOK.XLS");
  const auto before = fs::last_write_time(path);
  pick(path);
  ASSERT_TRUE(picker.visible);
  EXPECT_EQ(picker.VSFlexGrid1.text(1, 1), "Date");
  EXPECT_EQ(picker.VSFlexGrid1.text(3, 3), "44.66");
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(dir.listing(), "BOOK.XLS\n");

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

// Only in extraction mode: the used range from grid row one, whatever cell it
// starts at; a sheet without values shows one blank cell.
TEST_F(QuickAddTest, ExtractionSampleNeedsTheModeAndShowsTheUsedRange) {
  pick(kSheets, true);
  EXPECT_EQ(dialogs.messageTexts(), Texts{"还没点击开启！"});
  EXPECT_EQ(dialogs.fileAnswers.size(), 1u);  // no file was asked for
  const std::pair<std::string, std::vector<Texts>> cases[] = {
      {"Sheet3", {{"", "", ""}, {"", "", "head"}, {"", "100 px", ""}}},  // B3 empty, C3 "head", B4 "100 px"
      {"Sheet2", {{"", ""}, {"", ""}}}};
  main.Check2.value = 1;
  for (const auto& [sheet, cells] : cases) {
    main.Text9.text = sheet;
    pick(kSheets, true);
    EXPECT_EQ(picker.VSFlexGrid1.cells, cells) << "case " << sheet;
  }
}

// A cancelled dialog does nothing; whatever keeps the sheet from being read is
// a bad sheet name; a path that is no file or has no ".xls" in its name, a missing file.
TEST_F(QuickAddTest, UnreadableSamplesAreReportedAndNothingIsShown) {
  test::TempDir dir;
  std::ofstream(dir / "empty.xls").close();
  test::MakeBook("zip", dir / "x.xls");
  fs::create_directory(dir / "folder.xls");
  const std::tuple<std::string, std::string, Texts> cases[] = {
      {"", "Sheet1", {}},
      {kSheets, "NoSuchSheet", {"表名不正确"}},
      {dir / "x.xls", "Sheet1", {"表名不正确"}},
      {dir / "empty.xls", "Sheet1", {"表名不正确"}},
      {dir / "absent.xls", "Sheet1", {"文件不存在"}},
      {dir.copyFixture("sheets.xls", "book.dat"), "Sheet1", {"文件不存在"}},
      {dir / "folder.xls", "Sheet1", {"文件不存在"}}};
  for (const auto& [path, sheet, messages] : cases) {
    main.Text9.text = sheet;
    pick(path);
    EXPECT_EQ(dialogs.messageTexts(), messages) << "case " << path;
    EXPECT_FALSE(picker.visible) << "case " << path;
  }
}

}  // namespace
}  // namespace sheetwise::rules

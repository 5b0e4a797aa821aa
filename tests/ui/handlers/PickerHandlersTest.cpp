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
#include "ui/handlers/RuleEditor.h"

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

// A1 is grid (1,1), the sample untouched; again while open keeps the selection, a failure the window; closed, afresh.
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

// Only in extraction mode: the used range from grid row one; a sheet without values shows one blank cell.
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

// Cancel does nothing; unreadable is a bad sheet name; no file or an unchecked kind is missing (.ods once checked).
TEST_F(QuickAddTest, UnreadableSamplesAreReportedAndNothingIsShown) {
  test::TempDir dir;
  std::ofstream(dir / "empty.xls").close();
  std::ofstream(dir / "book.ods") << "x";
  test::MakeBook("zip", dir / "x.xls");
  fs::create_directory(dir / "folder.xls");
  const std::tuple<std::string, std::string, Texts> cases[] = {
      {"", "Sheet1", {}},
      {kSheets, "NoSuchSheet", {"表名不正确"}},
      {dir / "x.xls", "Sheet1", {"表名不正确"}},
      {dir / "empty.xls", "Sheet1", {"表名不正确"}},
      {dir / "absent.xls", "Sheet1", {"文件不存在"}},
      {dir.copyFixture("sheets.xls", "book.dat"), "Sheet1", {"文件不存在"}},
      {dir / "folder.xls", "Sheet1", {"文件不存在"}},
      {dir / "book.ods", "Sheet1", {"文件不存在"}}};
  for (const auto& [path, sheet, messages] : cases) {
    main.Text9.text = sheet;
    pick(path);
    EXPECT_EQ(dialogs.messageTexts(), messages) << "case " << path;
    EXPECT_FALSE(picker.visible) << "case " << path;
  }
  main.TypeXlsx.value = main.TypeOds.value = 1;
  pick(dir / "book.ods");
  EXPECT_EQ(dialogs.messageTexts(), Texts{"表名不正确"});
  EXPECT_EQ(dialogs.fileFilters.front(), "Execl 文档 (*.xls)");
  EXPECT_EQ(dialogs.fileFilters.back(), "表格文档 (*.xls *.xlsx *.ods)");
}

// An open picker whose grid cell (r, c) shows "rc".
struct Picker {
  Picker() {
    form.VSFlexGrid1.cells.assign(7, std::vector<std::string>(5));
    for (int r = 1; r < 7; ++r)
      for (int c = 1; c < 5; ++c) form.VSFlexGrid1.cells[r][c] = std::to_string(r) + std::to_string(c);
    form.visible = true;
  }
  void drag(int fromRow, int fromColumn, int toRow, int toColumn) {
    handlers.mouseDown(fromRow, fromColumn);
    handlers.mouseUp(toRow, toColumn);
  }
  // Enter, with the answers to the questions; the rule list afterwards.
  Texts enter(const Texts& answers) {
    dialogs.inputAnswers.assign(answers.begin(), answers.end());
    handlers.keyPress(kEnterKey);
    return main.List3.items;
  }

  ui::Form1 main;
  ui::Form2 form;
  test::ScriptedDialogs dialogs;
  GridPicker handlers{form, main, dialogs};
};

// X/x makes extraction entries (window stays open), else row and insert count (negative deletes) and it closes.
TEST(GridPicker, DragsAndAnswersGiveTheirEntries) {
  const Texts prompts{"请输入实际行数", "需要的插入行数\r\n需要插入行的为正数\r\n需要删除行的负数\r\n否则为0"};
  const struct {
    int fromRow, fromColumn, toRow, toColumn;
    Texts answers, expected;
    std::string message = "";
  } cases[] = {
      {4, 2, 4, 2, {"x"}, {"{小偷}4|B|"}},
      {6, 3, 5, 2, {"X"}, {"{小偷}5|B|", "{小偷}5|C|", "{小偷}6|B|", "{小偷}6|C|"}},
      {5, 1, 3, 3, {"7", "1"}, {"{插入行}|正行|7"}},  // rows exchanged, columns along with them
      // The row answer is written as the reader takes it, a whole row of the sheet.
      {3, 1, 4, 1, {"010", "2"}, {"{插入行}|正行|10", "{插入行}|正行|10", "10|A|31", "11|A|41"}},
      {3, 1, 3, 1, {" 5", "+1"}, {"{插入行}|正行|5", "5|A|31"}},
      {3, 1, 3, 1, {"+5", "5.0"}, {"{插入行}|正行|5", "{插入行}|正行|5", "{插入行}|正行|5", "{插入行}|正行|5",
                                   "{插入行}|正行|5", "5|A|31"}},
      {3, 1, 3, 1, {"5.0", " -1 "}, {"{删除行}|正行|5", "5|A|31"}},
      {2, 2, 2, 3, {"8", "-3"}, {"{删除行}|正行|8", "{删除行}|正行|8", "{删除行}|正行|8", "8|B|22", "8|C|23"}},
      {6, 4, 7, 5, {"2", "0"}, {"2|D|64", "2|E|", "3|D|", "3|E|"}},  // beyond the grid: empty texts
      {6, 4, 7, 5, {"2.5", "0"}, {}, "实际行数须为 1 到 1048576 之间的整数"},
      {6, 4, 7, 5, {"0", "1"}, {}, "实际行数须为 1 到 1048576 之间的整数"},
      {2, 2, 3, 3, {"abc", "1"}, {}, "填写需为数字"},
      {2, 2, 3, 3, {"3", ""}, {}, "填写需为数字"},
      {2, 2, 3, 3, {"3", "two"}, {}, "填写需为数字"},
      {2, 2, 3, 3, {""}, {}},
      {-1, 1, 1, 1, {"X"}, {"{小偷}-1|A|", "{小偷}0|A|", "{小偷}1|A|"}},
      {2, -1, 2, 1, {"X"}, {"{小偷}2|?|", "{小偷}2|@|", "{小偷}2|A|"}, "选择选择内容不规范！"},
      {2, -65, 2, -65, {"X"}, {"{小偷}2|\uFFFD|"}, "选择选择内容不规范！"},  // no character has the code -1
      {2, 2, 3, -1, {"X"}, {}, "选择选择内容不规范！"},                       // columns 2 down to -1: none
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + ::testing::PrintToString(c.answers) + " " + ::testing::PrintToString(c.expected));
    Picker p;
    p.drag(c.fromRow, c.fromColumn, c.toRow, c.toColumn);
    EXPECT_EQ(p.enter(c.answers), c.expected);
    EXPECT_EQ(p.dialogs.inputPrompts, Texts(prompts.begin(), prompts.begin() + c.answers.size()));
    EXPECT_EQ(p.dialogs.messageTexts(), c.message.empty() ? Texts{} : Texts{c.message});
    EXPECT_EQ(p.form.visible, c.answers.size() == 1 || !c.message.empty());
  }
}

// A selected cell text no rule file can hold ("|", line break) is refused, naming the cell; the window stays open.
TEST(GridPicker, ACellTextNoRuleCanHoldIsRefusedWhereItIsPicked) {
  for (const std::string text : {"单位\n(元)", "a|b", "x\r"}) {
    Picker p;
    p.form.VSFlexGrid1.cells[3][2] = text;
    p.drag(2, 1, 4, 3);
    EXPECT_EQ(p.enter({"5", "1"}), Texts{}) << text;
    EXPECT_EQ(p.dialogs.messageTexts(), Texts{"第 3 行第 2 列的" + UnheldTextMessage("单元格内容")}) << text;
    EXPECT_TRUE(p.form.visible);
  }
}

// Keys other than Enter do nothing; Enter before any press takes the fixed corner cell.
TEST(GridPicker, EnterBeforeAnyPressTakesTheFixedCornerCell) {
  Picker p;
  p.handlers.keyPress(' ');
  p.handlers.keyPress(10);
  EXPECT_TRUE(p.dialogs.inputPrompts.empty());
  EXPECT_EQ(p.enter({"X"}), (Texts{"{小偷}|@|"}));  // an unset start row is written as the empty text
}

}  // namespace
}  // namespace sheetwise::rules

#include "rules/GridPicker.h"

#include <gtest/gtest.h>

#include "ScriptedDialogs.h"

namespace sheetwise::rules {
namespace {

using Entries = std::vector<std::string>;

// An open picker whose grid cell (r, c) shows "rc", the fixed row and column nothing.
struct Picker {
  Picker() {
    form.VSFlexGrid1.cells.assign(7, std::vector<std::string>(5));
    for (int r = 1; r < 7; ++r) {
      for (int c = 1; c < 5; ++c) form.VSFlexGrid1.cells[r][c] = std::to_string(r) + std::to_string(c);
    }
    form.visible = true;
  }
  void drag(int fromRow, int fromColumn, int toRow, int toColumn) {
    handlers.mouseDown(fromRow, fromColumn);
    handlers.mouseUp(toRow, toColumn);
  }
  // Enter, with the answers to the questions; the rule list afterwards.
  Entries enter(const Entries& answers) {
    dialogs.inputAnswers.assign(answers.begin(), answers.end());
    handlers.keyPress(kEnterKey);
    return main.List3.items;
  }

  ui::Form1 main;
  ui::Form2 form;
  test::ScriptedDialogs dialogs;
  GridPicker handlers{form, main, dialogs};
};

// Each drag with the answers to the questions: X or x for extraction entries
// (the window stays open), else the actual row and the count of rows to insert
// (negative: delete), after which the window closes.
TEST(GridPicker, DragsAndAnswersGiveTheirEntries) {
  const struct {
    int fromRow, fromColumn, toRow, toColumn;
    Entries answers, expected;
  } cases[] = {
      {4, 2, 4, 2, {"x"}, {"{小偷}4|B|"}},
      {6, 3, 5, 2, {"X"}, {"{小偷}5|B|", "{小偷}5|C|", "{小偷}6|B|", "{小偷}6|C|"}},
      {3, 3, 5, 1, {"X"}, {}},                        // top right to bottom left: an empty column range
      {5, 1, 3, 3, {"7", "1"}, {"{插入行}|正行|7"}},  // rows exchanged, columns along with them
      {3, 1, 4, 1, {"10", "2"}, {"{插入行}|正行|10", "{插入行}|正行|10", "10|A|31", "11|A|41"}},
      {2, 2, 2, 3, {"8", "-3"}, {"{删除行}|正行|8", "{删除行}|正行|8", "{删除行}|正行|8", "8|B|22", "8|C|23"}},
      {2, 2, 2, 3, {"8", "0"}, {"8|B|22", "8|C|23"}},
      // The row answer stays as typed in row entries and is computed in cell entries.
      {1, 4, 2, 4, {"05", "1"}, {"{插入行}|正行|05", "5|D|14", "6|D|24"}},
      {1, 4, 1, 4, {"2.5", "0"}, {"2.5|D|14"}},
      {6, 4, 7, 5, {"1", "0"}, {"1|D|64", "1|E|", "2|D|", "2|E|"}},  // beyond the grid: empty texts
  };
  for (const auto& c : cases) {
    Picker p;
    p.drag(c.fromRow, c.fromColumn, c.toRow, c.toColumn);
    EXPECT_EQ(p.enter(c.answers), c.expected) << "case " << ::testing::PrintToString(c.expected);
    EXPECT_EQ(p.form.visible, c.answers.size() == 1) << "case " << ::testing::PrintToString(c.expected);
    EXPECT_TRUE(p.dialogs.messages.empty()) << "case " << ::testing::PrintToString(c.expected);
  }
}

// A word as the row (the second question is still asked) or a cancelled or
// wordy count: "填写需为数字". An empty row ends quietly. Nothing is appended,
// the window stays open.
TEST(GridPicker, AnswersThatAreNoNumbersAppendNothing) {
  const Entries prompts{"请输入实际行数", "需要的插入行数\r\n需要插入行的为正数\r\n需要删除行的负数\r\n否则为0"};
  const std::pair<Entries, Entries> cases[] = {
      {{"abc", "1"}, {"填写需为数字"}}, {{"3", ""}, {"填写需为数字"}}, {{"3", "two"}, {"填写需为数字"}}, {{""}, {}}};
  for (const auto& [answers, messages] : cases) {
    Picker p;
    p.drag(2, 2, 3, 3);
    EXPECT_EQ(p.enter(answers), Entries{}) << "case " << answers.back();
    EXPECT_EQ(p.dialogs.inputPrompts, Entries(prompts.begin(), prompts.begin() + answers.size()));
    EXPECT_EQ(p.dialogs.messageTexts(), messages) << "case " << answers.back();
    EXPECT_TRUE(p.form.visible) << "case " << answers.back();
  }
}

// Keys other than Enter do nothing; Enter before any press takes the fixed corner cell.
TEST(GridPicker, EnterBeforeAnyPressTakesTheFixedCornerCell) {
  Picker p;
  p.form.VSFlexGrid1.cells[0][0] = "corner";
  p.dialogs.inputAnswers = {"X"};
  p.handlers.keyPress(' ');
  p.handlers.keyPress(10);
  EXPECT_TRUE(p.dialogs.inputPrompts.empty());
  EXPECT_EQ(p.enter({"X"}), (Entries{"{小偷}|@|"}));
  p.main.List3.items.clear();
  EXPECT_EQ(p.enter({"3", "0"}), (Entries{"3|@|corner"}));
}

// Columns outside the cells are reported and the selection kept; rows are not checked.
TEST(GridPicker, ColumnsOutsideTheCellsAreReportedAndKept) {
  Picker p;
  p.drag(2, 2, 3, -1);
  EXPECT_EQ(p.enter({"X"}), Entries{});  // columns 2 down to -1: none
  p.drag(1, -1, 1, 1);
  EXPECT_EQ(p.dialogs.messageTexts(), (Entries{"选择选择内容不规范！", "选择选择内容不规范！"}));
  p.drag(-1, 1, 1, 1);
  EXPECT_EQ(p.enter({"X"}), (Entries{"{小偷}-1|A|", "{小偷}0|A|", "{小偷}1|A|"}));
  EXPECT_EQ(p.dialogs.messages.size(), 2u);
}

TEST(GridPicker, ColumnCharactersFollowTheCodeOr0xFFFD) {
  const std::pair<int, const char*> cases[] = {
      {26, "Z"}, {27, "["}, {0, "@"}, {-1, "?"}, {255, "\u013F"}, {-65, "\uFFFD"}};
  for (const auto& [column, text] : cases) EXPECT_EQ(GridColumnCharacter(column), text) << column;
}

// The grid keeps 100 x 500 twips less than the window, never below zero.
TEST(GridPicker, ResizeKeepsTheGridSizeNeverNegative) {
  Picker p;
  p.handlers.resize(150, 450);
  EXPECT_EQ(p.form.VSFlexGrid1.width, 50);
  EXPECT_EQ(p.form.VSFlexGrid1.height, 0);
}

}  // namespace
}  // namespace sheetwise::rules

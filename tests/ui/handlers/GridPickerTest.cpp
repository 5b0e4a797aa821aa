#include "ui/handlers/GridPicker.h"

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
// (negative: delete), after which the window closes. Answers that are no
// numbers and columns outside the cells are reported; rows are not checked.
TEST(GridPicker, DragsAndAnswersGiveTheirEntries) {
  const Entries prompts{"请输入实际行数", "需要的插入行数\r\n需要插入行的为正数\r\n需要删除行的负数\r\n否则为0"};
  const struct {
    int fromRow, fromColumn, toRow, toColumn;
    Entries answers, expected;
    std::string message = "";
  } cases[] = {
      {4, 2, 4, 2, {"x"}, {"{小偷}4|B|"}},
      {6, 3, 5, 2, {"X"}, {"{小偷}5|B|", "{小偷}5|C|", "{小偷}6|B|", "{小偷}6|C|"}},
      {5, 1, 3, 3, {"7", "1"}, {"{插入行}|正行|7"}},  // rows exchanged, columns along with them
      // The row answer stays as typed in row entries and is computed in cell entries.
      {3, 1, 4, 1, {"010", "2"}, {"{插入行}|正行|010", "{插入行}|正行|010", "10|A|31", "11|A|41"}},
      {2, 2, 2, 3, {"8", "-3"}, {"{删除行}|正行|8", "{删除行}|正行|8", "{删除行}|正行|8", "8|B|22", "8|C|23"}},
      {6, 4, 7, 5, {"2.5", "0"}, {"2.5|D|64", "2.5|E|", "3.5|D|", "3.5|E|"}},  // beyond the grid: empty texts
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
    EXPECT_EQ(p.dialogs.inputPrompts, Entries(prompts.begin(), prompts.begin() + c.answers.size()));
    EXPECT_EQ(p.dialogs.messageTexts(), c.message.empty() ? Entries{} : Entries{c.message});
    EXPECT_EQ(p.form.visible, c.answers.size() == 1 || !c.message.empty());
  }
}

// Keys other than Enter do nothing; Enter before any press takes the fixed corner cell.
TEST(GridPicker, EnterBeforeAnyPressTakesTheFixedCornerCell) {
  Picker p;
  p.handlers.keyPress(' ');
  p.handlers.keyPress(10);
  EXPECT_TRUE(p.dialogs.inputPrompts.empty());
  EXPECT_EQ(p.enter({"X"}), (Entries{"{小偷}|@|"}));  // an unset start row is written as the empty text
}

}  // namespace
}  // namespace sheetwise::rules

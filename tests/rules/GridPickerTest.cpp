#include "rules/GridPicker.h"

#include <gtest/gtest.h>

#include <tuple>

#include "ScriptedDialogs.h"
#include "rules/RuleString.h"

namespace sheetwise::rules {
namespace {

using Entries = std::vector<std::string>;

class GridPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Cell (r, c) shows "rc" in the white area, nothing in the fixed row and column.
    auto& cells = picker.VSFlexGrid1.cells;
    cells.assign(7, std::vector<std::string>(5));
    for (int r = 1; r < 7; ++r) {
      for (int c = 1; c < 5; ++c) cells[r][c] = std::to_string(r) + std::to_string(c);
    }
    picker.visible = true;
  }

  void drag(int fromRow, int fromColumn, int toRow, int toColumn) {
    handlers.mouseDown(fromRow, fromColumn);
    handlers.mouseUp(toRow, toColumn);
  }

  Entries enter(const Entries& answers) {
    dialogs.inputAnswers.assign(answers.begin(), answers.end());
    handlers.keyPress(kEnterKey);
    return main.List3.items;
  }

  ui::Form1 main;
  ui::Form2 picker;
  test::ScriptedDialogs dialogs;
  GridPicker handlers{picker, main, dialogs};
};

// Each drag, from (fromRow, fromColumn) to (toRow, toColumn), with the answers
// to the questions: X or x for extraction entries (the window stays open),
// else the actual row and the count of rows to insert (negative: delete).
TEST_F(GridPickerTest, DragsAndAnswersGiveTheirEntries) {
  struct Case {
    int fromRow, fromColumn, toRow, toColumn;
    Entries answers;
    Entries expected;
  };
  const Case cases[] = {
      {4, 2, 4, 2, {"X"}, {"{小偷}4|B|"}},
      {1, 1, 1, 1, {"x"}, {"{小偷}1|A|"}},
      {5, 2, 6, 3, {"X"}, {"{小偷}5|B|", "{小偷}5|C|", "{小偷}6|B|", "{小偷}6|C|"}},
      {6, 3, 5, 2, {"X"}, {"{小偷}5|B|", "{小偷}5|C|", "{小偷}6|B|", "{小偷}6|C|"}},
      {3, 3, 5, 1, {"X"}, {}},                        // top right to bottom left: an empty column range
      {5, 1, 3, 3, {"7", "1"}, {"{插入行}|正行|7"}},  // rows exchanged, columns along with them
      {3, 1, 4, 1, {"10", "2"}, {"{插入行}|正行|10", "{插入行}|正行|10", "10|A|31", "11|A|41"}},
      {2, 2, 2, 3, {"8", "-3"}, {"{删除行}|正行|8", "{删除行}|正行|8", "{删除行}|正行|8", "8|B|22", "8|C|23"}},
      {2, 2, 2, 3, {"8", "0"}, {"8|B|22", "8|C|23"}},
      {2, 2, 2, 3, {"8", "2.5"}, {"{插入行}|正行|8", "{插入行}|正行|8", "8|B|22", "8|C|23"}},
      {2, 2, 2, 3, {"8", "-0.5"}, {"8|B|22", "8|C|23"}},
      {2, 2, 2, 3, {"8", " 1 "}, {"{插入行}|正行|8", "8|B|22", "8|C|23"}},
      // The row answer stays as typed in row entries and is computed in cell entries.
      {1, 4, 2, 4, {"05", "1"}, {"{插入行}|正行|05", "5|D|14", "6|D|24"}},
      {1, 4, 1, 4, {"2.5", "0"}, {"2.5|D|14"}},
      {6, 4, 7, 5, {"1", "0"}, {"1|D|64", "1|E|", "2|D|", "2|E|"}},  // beyond the grid: empty texts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.expected));
    SetUp();
    main.List3.items.clear();
    drag(c.fromRow, c.fromColumn, c.toRow, c.toColumn);
    EXPECT_EQ(enter(c.answers), c.expected);
    EXPECT_EQ(picker.visible, c.answers.size() == 1);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

TEST_F(GridPickerTest, CellEntriesAskTwoQuestionsAndCloseTheWindowAfterwards) {
  drag(6, 3, 5, 2);
  EXPECT_EQ(picker.selection.startRow, 5);
  EXPECT_EQ(picker.selection.startColumn, 2);
  enter({"10", "2"});
  EXPECT_EQ(dialogs.inputPrompts,
            (Entries{"请输入实际行数", "需要的插入行数\r\n需要插入行的为正数\r\n需要删除行的负数\r\n否则为0"}));
  EXPECT_FALSE(picker.visible);
  EXPECT_FALSE(picker.selection.startRow.has_value());
  EXPECT_TRUE(picker.VSFlexGrid1.cells.empty());
}

// A word as the row (the second question is still asked), a cancelled or
// wordy count, a count beyond 32 bits: "填写需为数字". An empty row ends the
// command quietly. The window stays open.
TEST_F(GridPickerTest, AnswersThatAreNoNumbersAppendNothing) {
  const std::tuple<Entries, size_t, Entries> cases[] = {{{"abc", "1"}, 2, {"填写需为数字"}},
                                                        {{"3", ""}, 2, {"填写需为数字"}},
                                                        {{"3", "two"}, 2, {"填写需为数字"}},
                                                        {{"3", "99999999999"}, 2, {"填写需为数字"}},
                                                        {{""}, 1, {}}};
  drag(2, 2, 3, 3);
  for (const auto& [answers, prompts, messages] : cases) {
    SCOPED_TRACE(answers.front());
    dialogs.inputPrompts.clear();
    dialogs.messages.clear();
    EXPECT_EQ(enter(answers), Entries{});
    EXPECT_EQ(dialogs.inputPrompts.size(), prompts);
    EXPECT_EQ(dialogs.messageTexts(), messages);
    for (const auto& shown : dialogs.messages) EXPECT_EQ(shown.second, ui::MessageStyle::Information);
    EXPECT_TRUE(picker.visible);
  }
}

TEST_F(GridPickerTest, OtherKeysDoNothing) {
  drag(2, 2, 2, 2);
  dialogs.inputAnswers = {"X"};
  handlers.keyPress(' ');
  handlers.keyPress(10);
  EXPECT_TRUE(dialogs.inputPrompts.empty());
  EXPECT_TRUE(main.List3.items.empty());
}

TEST_F(GridPickerTest, EnterBeforeAnyPressUsesTheFixedCornerCell) {
  picker.VSFlexGrid1.cells[0][0] = "corner";
  EXPECT_EQ(enter({"X"}), (Entries{"{小偷}|@|"}));
  main.List3.items.clear();
  EXPECT_EQ(enter({"3", "0"}), (Entries{"3|@|corner"}));
}

TEST_F(GridPickerTest, SelectionOutsideTheCellsInColumnsIsReportedAndKept) {
  drag(2, 2, 3, -1);
  ASSERT_EQ(dialogs.messageTexts(), (Entries{"选择选择内容不规范！"}));
  EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Information);
  EXPECT_EQ(picker.selection.endColumn, -1);
  EXPECT_EQ(enter({"X"}), Entries{});  // columns 2 down to -1: none

  dialogs.messages.clear();
  drag(-1, 1, 1, 1);  // rows outside the cells are not tested
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(enter({"X"}), (Entries{"{小偷}-1|A|", "{小偷}0|A|", "{小偷}1|A|"}));

  drag(1, -1, 1, 1);  // a start outside the cells
  EXPECT_EQ(dialogs.messageTexts(), (Entries{"选择选择内容不规范！"}));
}

TEST_F(GridPickerTest, ColumnsBeyondZGetTheFollowingCharacters) {
  picker.VSFlexGrid1.cells.assign(2, std::vector<std::string>(30, "v"));
  drag(1, 27, 1, 27);
  EXPECT_EQ(enter({"X"}), (Entries{"{小偷}1|[|"}));
  EXPECT_EQ(ColumnNumber("["), 27);
  EXPECT_EQ(GridColumnCharacter(26), "Z");
  EXPECT_EQ(GridColumnCharacter(0), "@");
  EXPECT_EQ(GridColumnCharacter(-1), "?");
  EXPECT_EQ(GridColumnCharacter(255), "\u013F");
  EXPECT_EQ(GridColumnCharacter(-65), "\uFFFD");
}

TEST_F(GridPickerTest, ResizeKeepsTheGridSizeNeverNegative) {
  handlers.resize(9790, 7595);
  EXPECT_EQ(picker.VSFlexGrid1.width, 9690);
  EXPECT_EQ(picker.VSFlexGrid1.height, 7095);
  handlers.resize(150, 450);
  EXPECT_EQ(picker.VSFlexGrid1.width, 50);
  EXPECT_EQ(picker.VSFlexGrid1.height, 0);
  handlers.resize(0, 0);
  EXPECT_EQ(picker.VSFlexGrid1.width, 0);
  EXPECT_EQ(picker.VSFlexGrid1.height, 0);
  EXPECT_EQ(picker.Width, 0);
}

TEST_F(GridPickerTest, ClosingDiscardsTheSelection) {
  drag(2, 2, 3, 3);
  handlers.close();
  EXPECT_FALSE(picker.visible);
  EXPECT_FALSE(picker.selection.startRow.has_value());
  EXPECT_EQ(picker.selection.endRow, 0);
  EXPECT_EQ(picker.Caption, "选择时 鼠标须在白色区域内");
}

}  // namespace
}  // namespace sheetwise::rules

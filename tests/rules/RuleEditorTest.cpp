#include "rules/RuleEditor.h"

#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "ui/MainWindowStartup.h"

namespace sheetwise::rules {
namespace {

using Entries = std::vector<std::string>;

class RuleEditor : public ::testing::Test {
 protected:
  RuleEditor() { ui::Form1_Load(form); }
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
};

TEST_F(RuleEditor, ReplaceCellNeedsARowAndTakesTheRestAsTyped) {
  Command1_Click(form);
  EXPECT_TRUE(form.List3.items.empty());
  form.Text1.text = "7";
  Command1_Click(form);
  form.Text2.text = "B";
  form.Text3.text = "合计|x";
  Command1_Click(form);
  EXPECT_EQ(form.List3.items, (Entries{"7||", "7|B|合计|x"}));
  EXPECT_EQ(form.Text1.text, "7");  // fields are left as they are
}

// Every add command through the widgets: RulePanelView. An empty name still
// makes a rename entry.
TEST_F(RuleEditor, RenameTakesTheFieldAsItStands) {
  gaimingc_Click(form);
  form.gaiming.text = "汇总";
  gaimingc_Click(form);
  EXPECT_EQ(form.List3.items, (Entries{"{表名}|", "{表名}|汇总"}));
}

TEST_F(RuleEditor, DeleteCommandFollowsTheChosenMode) {
  form.shanchu.text = "4";
  shanchucom_Click(form);
  form.Combo2.text = "整列";
  form.shanchu.text = "C";
  shanchucom_Click(form);
  form.Combo2.text = "";
  shanchucom_Click(form);
  EXPECT_EQ(form.List3.items, (Entries{"{删除行}|正行|4", "{删除列}|整列|C"}));
}

TEST_F(RuleEditor, ExtractCellChecksCoordinatesBeforeTheSwitch) {
  Command15_Click(form, dialogs);
  form.Text20.text = "b";
  Command15_Click(form, dialogs);
  form.Text21.text = "5";
  Command15_Click(form, dialogs);
  EXPECT_EQ(dialogs.messageTexts(), (Entries{"坐标不能为空", "坐标不能为空", "还没点击开启！"}));
  for (const auto& shown : dialogs.messages) EXPECT_EQ(shown.second, ui::MessageStyle::Plain);
  EXPECT_TRUE(form.List3.items.empty());

  form.Check2.value = 1;
  Command15_Click(form, dialogs);
  EXPECT_EQ(form.List3.items, (Entries{"{小偷}5|b|"}));
  EXPECT_EQ(dialogs.messages.size(), 3u);
}

// Removing and clearing: RulePanelView.

TEST(UpperCaseLetters, RaisesAsciiLettersOnly) {
  EXPECT_EQ(UpperCaseLetters("ab1z"), "AB1Z");
  EXPECT_EQ(UpperCaseLetters("b列ä"), "B列ä");
}

}  // namespace
}  // namespace sheetwise::rules

#include "ui/handlers/RuleEditor.h"

#include <gtest/gtest.h>

#include "ScriptedDialogs.h"

namespace sheetwise::rules {
namespace {

using Entries = std::vector<std::string>;

// Every add command through the widgets: RulePanelView. Here what they refuse:
// a replacement without a row, a deletion in no known mode, an extraction
// without both coordinates (checked first) or with the switch off.
TEST(RuleEditor, RefusesIncompleteEntriesAndTakesTheRestAsTyped) {
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  Command1_Click(form);
  form.Text1.text = "7";
  form.Text3.text = "合计|x";
  Command1_Click(form);
  form.shanchu.text = "C";
  form.Combo2.text = "";
  shanchucom_Click(form);
  form.Text20.text = "b";
  Command15_Click(form, dialogs);
  form.Text21.text = "5";
  Command15_Click(form, dialogs);
  form.Check2.value = 1;
  Command15_Click(form, dialogs);
  EXPECT_EQ(dialogs.messageTexts(), (Entries{"坐标不能为空", "还没点击开启！"}));
  EXPECT_EQ(form.List3.items, (Entries{"7||合计|x", "{小偷}5|b|"}));
}

}  // namespace
}  // namespace sheetwise::rules

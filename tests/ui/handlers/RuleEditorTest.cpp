#include "ui/handlers/RuleEditor.h"
#include "ui/handlers/RuleFileCommands.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "rules/RuleFile.h"

namespace sheetwise::rules {
namespace {
using Rules = std::vector<std::string>;

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
  EXPECT_EQ(dialogs.messageTexts(), (Rules{"坐标不能为空", "还没点击开启！"}));
  EXPECT_EQ(form.List3.items, (Rules{"7||合计|x", "{小偷}5|b|"}));
}

// Saved rules load back exactly, appended to the list; a file that cannot be
// written or read is named in a message, and one read as GB18030 is said to be.
TEST(RuleFileCommands, TheWindowSavesAndLoadsAppendingOrSaysWhichFileFailed) {
  test::TempDir dir;
  std::ofstream(dir / "bad", std::ios::binary) << "1|A|ok\n\n3|A|\xFF\n";
  std::ofstream(dir / "utf16", std::ios::binary) << std::string("\xFF\xFE" "1\0|\0A\0|\0x\0", 12);
  std::ofstream(dir / "gb", std::ios::binary) << "{\xB1\xED\xC3\xFB}|\xBA\xCF\xBC\xC6\n";
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  const Rules rules{"{插入行}|正行|5", "3|A| a,b;\"c\" "};
  form.List3.items = rules;
  dialogs.fileAnswers = {dir / "no/r.txt", dir / "月报.txt", "",         dir / "月报.txt",
                         dir / "none",     dir / "bad",      dir / "utf16", dir / "gb"};
  SaveRulesCommand(form, dialogs);
  SaveRulesCommand(form, dialogs);
  for (int i = 0; i < 6; ++i) LoadRulesCommand(form, dialogs);  // the first is cancelled
  EXPECT_EQ(form.List3.items, (Rules{rules[0], rules[1], rules[0], rules[1], "{表名}|合计"}));
  EXPECT_EQ(dialogs.messageTexts(),
            (Rules{"无法写入规则文件：" + (dir / "no/r.txt"), "无法读取规则文件：" + (dir / "none"),
                   "无法读取规则文件：" + (dir / "bad") + "（第 3 行不是 UTF-8 文本，请另存为 UTF-8）",
                   "无法读取规则文件：" + (dir / "utf16") + "（文件是 UTF-16 文本，请另存为 UTF-8）",
                   "规则文件不是 UTF-8，已按 GB18030 读取：" + (dir / "gb")}));
}

// A name chosen without an extension gets ".txt", so that the load dialog's
// filter shows the file; a ".txt" file of that name is not replaced unasked.
TEST(RuleFileCommands, ANameWithoutAnExtensionGetsTxtAndReplacesNothingUnasked) {
  test::TempDir dir;
  std::ofstream(dir / "旧.txt") << "7|A|old\n";
  ui::Form1 form;
  form.List3.items = {"1|A|x"};
  test::ScriptedDialogs dialogs;
  dialogs.fileAnswers = {dir / "月报", dir / "规则.cfg", dir / "旧"};
  for (int i = 0; i < 3; ++i) SaveRulesCommand(form, dialogs);
  EXPECT_EQ(dir.listing(), "旧.txt\n月报.txt\n规则.cfg\n");
  EXPECT_EQ(LoadRuleFile(dir / "月报.txt").rules, form.List3.items);
  EXPECT_EQ(test::ReadFile(dir / "旧.txt"), "7|A|old\n");
  EXPECT_EQ(dialogs.messageTexts(), Rules{"已有同名的规则文件：" + (dir / "旧.txt") + "\n没有覆盖它，请换一个文件名。"});
}

}  // namespace
}  // namespace sheetwise::rules

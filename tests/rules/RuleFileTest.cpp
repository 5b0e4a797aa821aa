#include "rules/RuleFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "rules/RuleFileCommands.h"

namespace sheetwise::rules {
namespace {
using Rules = std::vector<std::string>;

TEST(RuleFile, ToleratesBomCrLfAndBlankLinesKeepsRulesExactly) {
  EXPECT_EQ(ParseRuleText("\xEF\xBB\xBF{插入行}|正行|5\r\n\r\n7|B| 替换 内容 \r\n   \n{小偷}5|B|"),
            (Rules{"{插入行}|正行|5", "7|B| 替换 内容 ", "{小偷}5|B|"}));
  EXPECT_EQ(ParseRuleText(""), Rules{});
  EXPECT_EQ(ParseRuleText("7||\n"), Rules{"7||"});
}

TEST(RuleFile, SaveThenLoadRoundTrips) {
  test::TempDir dir;
  const Rules rules{"{表名}|汇总", "3|A|a,b;\"c\"", "{列距}|AA|12"};
  SaveRuleFile(dir / "rules.txt", rules);
  EXPECT_EQ(LoadRuleFile(dir / "rules.txt"), rules);
  EXPECT_THROW(LoadRuleFile(dir / "missing.txt"), RuleFileError);
  EXPECT_THROW(SaveRuleFile(dir / "no/such/folder/rules.txt", rules), RuleFileError);
}

TEST(RuleFileCommands, TheWindowSavesAndLoadsAppendingToTheList) {
  test::TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  form.List3.items = {"{插入行}|正行|5", "7|B|合计"};
  dialogs.fileAnswers = {dir / "月报.txt", "", dir / "月报.txt", dir / "missing.txt"};
  SaveRulesCommand(form, dialogs);
  LoadRulesCommand(form, dialogs);  // cancelled
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(form.List3.items, (Rules{"{插入行}|正行|5", "7|B|合计", "{插入行}|正行|5", "7|B|合计"}));
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(dialogs.messageTexts(), Rules{"无法读取规则文件：" + (dir / "missing.txt")});
  EXPECT_EQ(form.List3.items.size(), 4u);
}

}  // namespace
}  // namespace sheetwise::rules

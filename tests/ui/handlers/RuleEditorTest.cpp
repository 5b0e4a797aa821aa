#include "ui/handlers/RuleEditor.h"
#include "ui/handlers/RuleFileCommands.h"

#include <gtest/gtest.h>

#include <fstream>

#include "BatchRun.h"
#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "rules/RuleFile.h"

namespace sheetwise::rules {
namespace {
using Rules = std::vector<std::string>;

// Refused: no row, "|" or a line break, an unknown deletion mode, an extraction without coordinates or switch.
TEST(RuleEditor, RefusesIncompleteEntriesAndTakesTheRestAsTyped) {
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  Command1_Click(form, dialogs);
  form.Text1.text = "7";
  for (const char* unheld : {"合计|x", "单位\n(元)"}) form.Text3.text = unheld, Command1_Click(form, dialogs);
  form.gaiming.text = "月报\r";
  gaimingc_Click(form, dialogs);
  form.Text3.text = "合计";
  Command1_Click(form, dialogs);
  form.shanchu.text = "C";
  form.Combo2.text = "";
  shanchucom_Click(form);
  form.Text20.text = "b";
  Command15_Click(form, dialogs);
  form.Text21.text = "5";
  Command15_Click(form, dialogs);
  form.Check2.value = 1;
  Command15_Click(form, dialogs);
  EXPECT_EQ(dialogs.messageTexts(), (Rules{UnheldTextMessage("替换内容"), UnheldTextMessage("替换内容"),
                                           UnheldTextMessage("表名"), "坐标不能为空", "还没点击开启！"}));
  EXPECT_EQ(form.List3.items, (Rules{"7||合计", "{小偷}5|b|"}));
}

class RuleFileCommands : public ::testing::Test {
 protected:
  test::TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
};

// Saved rules load back exactly; loading asks, names the encoding and unreadable rules; the batch reads the file.
TEST_F(RuleFileCommands, TheWindowSavesAndLoadsAskingAndShowingWhatItCannotRead) {
  std::ofstream(dir / "bad", std::ios::binary) << "1|A|ok\n\n3|A|\xFF\n";
  std::ofstream(dir / "utf16", std::ios::binary) << std::string("\xFF\xFE" "1\0|\0A\0|\0x\0", 12);
  // As GBK: {表名}|合计, {删除行}|正行|2:B20, 7|B|单位
  std::ofstream(dir / "gb", std::ios::binary) << "{\xB1\xED\xC3\xFB}|\xBA\xCF\xBC\xC6\n"
                                                 "{\xC9\xBE\xB3\xFD\xD0\xD0}|\xD5\xFD\xD0\xD0|2:B20\n"
                                                 "7|B|\xB5\xA5\xCE\xBB\n";
  const Rules rules{"{插入行}|正行|5", "3|A| a,b;\"c\" ", "{小偷}5|B|"};
  form.List3.items = rules;
  dialogs.fileAnswers = {dir / "no/r.txt", dir / "月报.txt", "", dir / "月报.txt", dir / "月报.txt",
                         dir / "none",     dir / "bad",      dir / "utf16", dir / "gb", dir / "gb"};
  dialogs.choiceAnswers = {1, 0, 2, 0, 0};  // add, replace, cancel, replace, load the rest
  SaveRulesCommand(form, dialogs);
  SaveRulesCommand(form, dialogs);
  LoadRulesCommand(form, dialogs);  // cancelled
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(form.List3.items.size(), 2 * rules.size());
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(form.List3.items, rules);
  for (int i = 0; i < 4; ++i) LoadRulesCommand(form, dialogs);
  const Rules gb{"{表名}|合计", "7|B|单位"};
  EXPECT_EQ(form.List3.items, gb);
  form.List3.items.clear();
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(form.List3.items, gb);

  const std::string replaceOrAdd = "替换规则列表，还是添加到列表末尾？ ? 替换 添加 取消";
  const std::string unreadable = "规则文件已按 GB18030 读取：" + (dir / "gb") +
                                 "\n第 2 条规则“{删除行}|正行|2:B20”无法读取，不载入：the row must be a whole number "
                                 "from 1 to 1048576, not \"2:B20\"\n";
  EXPECT_EQ(dialogs.questions, (Rules{"用这 3 条规则" + replaceOrAdd, "用这 3 条规则" + replaceOrAdd,
                                      "规则文件已按 UTF-16 读取：" + (dir / "utf16") + "\n用这 1 条规则" + replaceOrAdd,
                                      unreadable + "用这 2 条规则" + replaceOrAdd,
                                      unreadable + "载入其余 2 条规则？ ? 载入 取消"}));
  const Rules messages = dialogs.messageTexts();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], "无法写入规则文件：" + (dir / "no/r.txt"));
  EXPECT_TRUE(messages[1].starts_with("无法读取规则文件：" + (dir / "none") + "\n")) << messages[1];
  EXPECT_TRUE(messages[2].starts_with("无法读取规则文件：" + (dir / "bad") + "\nline 3 ")) << messages[2];

  std::filesystem::create_directories(dir.path() / "src");
  EXPECT_EQ(LoadRuleFile(dir / "月报.txt").rules, rules);
  form.List3.items = {"7|B|单位", "{行距}|3|0", "{表名}|合计"};
  dialogs.fileAnswers = {dir / "window.txt"};
  SaveRulesCommand(form, dialogs);
  const auto run = test::RunBatch({"--source", dir / "src", "--rules", dir / "window.txt", "--save", dir / "out",
                                   "--dry-run"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

// A file that reads equally well in more than one encoding: the user picks one, or cancels.
TEST_F(RuleFileCommands, TheUserChoosesAmongEncodingsThatReadTheFileEqually) {
  std::ofstream(dir / "doubt", std::ios::binary) << "1|A|\xAA\xA1\xAA\xA2\n";  // Big5 ideographs, EUC-KR kana
  dialogs.fileAnswers = {dir / "doubt", dir / "doubt"};
  dialogs.choiceAnswers = {2, 1};  // cancel; EUC-KR
  LoadRulesCommand(form, dialogs);
  EXPECT_TRUE(form.List3.items.empty());
  LoadRulesCommand(form, dialogs);
  EXPECT_EQ(form.List3.items, Rules{"1|A|ぁあ"});
  ASSERT_EQ(dialogs.questions.size(), 2u);
  EXPECT_TRUE(dialogs.questions[0].ends_with("按哪种编码读取？ ? Big5 EUC-KR 取消")) << dialogs.questions[0];
  EXPECT_EQ(dialogs.messageTexts(), Rules{"规则文件已按 EUC-KR 读取：" + (dir / "doubt") + "\n已载入 1 条规则。"});
}

// A name without an extension gets ".txt" (the load filter shows it); a ".txt" of that name is not replaced unasked.
TEST_F(RuleFileCommands, ANameWithoutAnExtensionGetsTxtAndReplacesNothingUnasked) {
  std::ofstream(dir / "旧.txt") << "7|A|old\n";
  form.List3.items = {"1|A|x"};
  dialogs.fileAnswers = {dir / "月报", dir / "规则.cfg", dir / "旧"};
  for (int i = 0; i < 3; ++i) SaveRulesCommand(form, dialogs);
  EXPECT_EQ(dir.listing(), "旧.txt\n月报.txt\n规则.cfg\n");
  EXPECT_EQ(LoadRuleFile(dir / "月报.txt").rules, form.List3.items);
  EXPECT_EQ(test::ReadFile(dir / "旧.txt"), "7|A|old\n");
  EXPECT_EQ(dialogs.messageTexts(), Rules{"已有同名的规则文件：" + (dir / "旧.txt") + "\n没有覆盖它，请换一个文件名。"});
}

}  // namespace
}  // namespace sheetwise::rules

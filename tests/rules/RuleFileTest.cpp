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

// Rule files are UTF-8; one that is not, but decodes cleanly as GB18030, is
// read as GB18030; anything else is refused naming the line.
TEST(RuleFileEncoding, Utf8AsItIsGb18030DecodedOthersRefusedWithTheirLine) {
  const struct {
    std::string bytes, text;
    size_t badLine;
  } cases[] = {
      {"1|A|中文\n", "1|A|中文\n", 0},
      {"1|A|\xD6\xD0\xCE\xC4\r\n", "1|A|中文\r\n", 0},                // GBK
      {"1|A|\x81\x30\x81\x30\n", "1|A|\xC2\x80\n", 0},                // a four-byte GB18030 sequence
      {"1|A|ok\n2|A|\xFF\xFF\n", "", 2},                               // neither
      {"1|A|\xE4\xB8\xAD\n2|A|\xE4\xB8\n3|A|x\n", "", 2},             // UTF-8 cut short, GB18030 stops too
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(DecodeRuleBytes(c.bytes, "r.txt"), c.text) << c.bytes;
      EXPECT_EQ(c.badLine, 0u) << "accepted " << c.bytes;
    } catch (const RuleFileError& e) {
      EXPECT_EQ(e.line, c.badLine) << e.what();
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.badLine)), std::string::npos) << e.what();
    }
  }
}

TEST(RuleFileCommands, TheWindowSavesAndLoadsAppendingOrSaysWhatItCannotRead) {
  test::TempDir dir;
  std::ofstream(dir / "bad.txt", std::ios::binary) << "1|A|ok\n\n3|A|\xFF\n";
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  form.List3.items = {"{插入行}|正行|5", "7|B|合计"};
  dialogs.fileAnswers = {dir / "月报.txt", "", dir / "月报.txt", dir / "missing.txt", dir / "bad.txt"};
  SaveRulesCommand(form, dialogs);
  for (int i = 0; i < 4; ++i) LoadRulesCommand(form, dialogs);  // the first is cancelled
  EXPECT_EQ(form.List3.items, (Rules{"{插入行}|正行|5", "7|B|合计", "{插入行}|正行|5", "7|B|合计"}));
  EXPECT_EQ(dialogs.messageTexts(),
            (Rules{"无法读取规则文件：" + (dir / "missing.txt"),
                   "无法读取规则文件：" + (dir / "bad.txt") + "（第 3 行既不是 UTF-8 也不是 GB18030 文本）"}));
}

}  // namespace
}  // namespace sheetwise::rules

#include "rules/RuleFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "rules/RuleFileCommands.h"

namespace sheetwise::rules {
namespace {
using Rules = std::vector<std::string>;

TEST(RuleFile, ToleratesBomLineEndsAndBlankLinesKeepsRulesExactly) {
  EXPECT_EQ(ParseRuleText("\xEF\xBB\xBF{插入行}|正行|5\r\n\r\n7|B| 替换 内容 \r   \n{小偷}5|B|"),
            (Rules{"{插入行}|正行|5", "7|B| 替换 内容 ", "{小偷}5|B|"}));
  EXPECT_EQ(ParseRuleText("7||\n"), Rules{"7||"});
}

// Rule files are UTF-8; one that is not, is mostly not UTF-8 and decodes
// cleanly as GB18030, is read as GB18030; anything else is refused naming the line.
TEST(RuleFileEncoding, Utf8AsItIsGb18030DecodedOthersRefusedWithTheirLine) {
  const std::tuple<std::string, std::string, size_t> cases[] = {
      {"1|A|中文\n", "1|A|中文\n", 0},
      {"1|A|\xD6\xD0\xCE\xC4\r\n", "1|A|中文\r\n", 0},                // GBK
      {"1|A|\x81\x30\x81\x30\n", "1|A|\xC2\x80\n", 0},                // a four-byte GB18030 sequence
      {"1|A|ok\n2|A|\xFF\xFF\n", "", 2},                               // neither
      {"1|A|\xE4\xB8\xAD\n2|A|\xE4\xB8\n3|A|x\n", "", 2},             // UTF-8 cut short, GB18030 stops too
  };
  for (const auto& [bytes, text, badLine] : cases) {
    try {
      EXPECT_EQ(DecodeRuleBytes(bytes, "r.txt").text, text) << "case " << bytes;
      EXPECT_EQ(badLine, 0u) << "accepted " << bytes;
    } catch (const RuleFileError& e) {
      EXPECT_EQ(e.line, badLine) << e.what();
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(badLine) + " of"), std::string::npos) << e.what();
    }
  }
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

}  // namespace
}  // namespace sheetwise::rules

#include "rules/RuleFile.h"

#include <gtest/gtest.h>

#include <tuple>

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

}  // namespace
}  // namespace sheetwise::rules

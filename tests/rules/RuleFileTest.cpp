#include "rules/RuleFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TestPaths.h"

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

}  // namespace
}  // namespace sheetwise::rules

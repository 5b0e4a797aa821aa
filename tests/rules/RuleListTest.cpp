#include "rules/RuleList.h"

#include <gtest/gtest.h>

namespace sheetwise::rules {
namespace {

TEST(RuleList, KeepsOrderAndDuplicatesAndRemovesByIndex) {
  std::vector<std::string> entries;
  RuleList list(entries);
  list.append("{插入行}|正行|5");
  list.append("7|B|0");
  list.append("{插入行}|正行|5");
  list.append("{清空}|A1|C3");
  EXPECT_EQ(list.count(), 4);
  list.remove(1);
  EXPECT_EQ(entries, (std::vector<std::string>{"{插入行}|正行|5", "{插入行}|正行|5", "{清空}|A1|C3"}));
  list.remove(7);
  list.remove(-1);
  EXPECT_EQ(list.count(), 3);
  list.clear();
  EXPECT_EQ(list.count(), 0);
}

TEST(RuleList, HoldsMoreThanSixteenBitIndexes) {
  std::vector<std::string> entries;
  RuleList list(entries);
  for (int i = 0; i < 40000; ++i) list.append(std::to_string(i) + "|A|x");
  EXPECT_EQ(list.count(), 40000);
  EXPECT_EQ(list.entry(39999), "39999|A|x");
}

}  // namespace
}  // namespace sheetwise::rules

#include "rules/RuleList.h"

#include <gtest/gtest.h>

namespace sheetwise::rules {
namespace {

// Adding, removing and clearing entries: RuleEditor and RulePanelView.
TEST(RuleList, HoldsMoreThanSixteenBitIndexes) {
  std::vector<std::string> entries;
  RuleList list(entries);
  for (int i = 0; i < 40000; ++i) list.append(std::to_string(i) + "|A|x");
  EXPECT_EQ(list.count(), 40000);
  EXPECT_EQ(list.entry(39999), "39999|A|x");
}

}  // namespace
}  // namespace sheetwise::rules

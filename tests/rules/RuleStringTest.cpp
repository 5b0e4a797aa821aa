#include "rules/RuleString.h"

#include <gtest/gtest.h>

namespace sheetwise::rules {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitFields, SplitsAtEveryBarWithoutTrimming) {
  EXPECT_EQ(SplitFields("7|B|0"), (Fields{"7", "B", "0"}));
  EXPECT_EQ(SplitFields("7||"), (Fields{"7", "", ""}));
  EXPECT_EQ(SplitFields(" 7 | B |a b"), (Fields{" 7 ", " B ", "a b"}));
  EXPECT_EQ(SplitFields("{表名}|new|name"), (Fields{"{表名}", "new", "name"}));
  EXPECT_EQ(SplitFields(""), (Fields{""}));
}

TEST(KindOf, MatchesTagsExactlyAndFallsBackToReplaceCell) {
  const std::pair<const char*, RuleKind> cases[] = {
      {"{插入行}", RuleKind::InsertRows}, {"{删除行}", RuleKind::DeleteRows},   {"{合并}", RuleKind::MergeRange},
      {"{清空}", RuleKind::ClearRange},   {"{表名}", RuleKind::RenameSheet},    {"{行距}", RuleKind::RowHeight},
      {"{列距}", RuleKind::ColumnWidth},  {"{删除列}", RuleKind::DeleteColumn}, {"7", RuleKind::ReplaceCell},
      {" {合并}", RuleKind::ReplaceCell}, {"{小偷}5", RuleKind::ReplaceCell}};
  for (const auto& [tag, kind] : cases) EXPECT_EQ(KindOf(tag), kind) << tag;
}

TEST(ColumnNumber, TakesTheFirstCharacterCodeMinus64) {
  EXPECT_EQ(ColumnNumber("A"), 1);
  EXPECT_EQ(ColumnNumber("Z"), 26);
  EXPECT_EQ(ColumnNumber("["), 27);
  EXPECT_EQ(ColumnNumber("AB"), 1);
  EXPECT_EQ(ColumnNumber("b"), 34);
  EXPECT_EQ(ColumnNumber("1"), 49 - 64);
  EXPECT_EQ(ColumnNumber("列"), 0x5217 - 64);
  EXPECT_FALSE(ColumnNumber("").has_value());
}

TEST(ColumnCharacter, WritesTheCharacterOfAnyColumn) {
  EXPECT_EQ(ColumnCharacter(2), "B");
  EXPECT_EQ(ColumnCharacter(27), "[");
  for (int column : {1, 26, 27, 63, 100, 300, 5000}) {
    EXPECT_EQ(ColumnNumber(ColumnCharacter(column)), column) << column;
  }
}

TEST(ReadExtractEntry, RowBetweenBraceAndBarColumnFromFieldOne) {
  auto target = ReadExtractEntry("{小偷}5|B|");
  EXPECT_EQ(target.rowText, "5");
  EXPECT_EQ(target.column, 2);
  target = ReadExtractEntry("{小偷}12|[|");
  EXPECT_EQ(target.rowText, "12");
  EXPECT_EQ(target.column, 27);
  // Any entry is read this way in extraction mode.
  target = ReadExtractEntry("{插入行}|正行|5");
  EXPECT_EQ(target.rowText, "");
  EXPECT_EQ(target.column, ColumnNumber("正行"));
  target = ReadExtractEntry("7|B|0");
  EXPECT_EQ(target.rowText, "");
  EXPECT_EQ(target.column, 2);
}

TEST(RoundedInteger, RoundsHalfToEvenAndRefusesWords) {
  EXPECT_EQ(RoundedInteger("7"), 7);
  EXPECT_EQ(RoundedInteger("2.5"), 2);
  EXPECT_EQ(RoundedInteger("3.5"), 4);
  EXPECT_EQ(RoundedInteger("-1.5"), -2);
  EXPECT_EQ(RoundedInteger(" 8 "), 8);
  EXPECT_EQ(RoundedInteger("1e2"), 100);
  EXPECT_FALSE(RoundedInteger("abc").has_value());
  EXPECT_FALSE(RoundedInteger("").has_value());
  EXPECT_FALSE(RoundedInteger("{小偷}5").has_value());
  EXPECT_FALSE(RoundedInteger("0x10").has_value());
  EXPECT_FALSE(RoundedInteger("99999999999").has_value());
}

TEST(GeneralNumberText, FifteenDigitsNoTrailingZeros) {
  EXPECT_EQ(GeneralNumberText(42), "42");
  EXPECT_EQ(GeneralNumberText(3.5), "3.5");
  EXPECT_EQ(GeneralNumberText(0.1), "0.1");
  EXPECT_EQ(GeneralNumberText(-2), "-2");
  EXPECT_EQ(GeneralNumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(GeneralNumberText(123456789012345.0), "123456789012345");
  EXPECT_EQ(GeneralNumberText(1e20), "1E+20");
}

}  // namespace
}  // namespace sheetwise::rules

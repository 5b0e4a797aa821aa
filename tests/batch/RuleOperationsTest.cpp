// Every rule kind applied through the real office, saved, and read back by another reader.

#include "batch/RuleOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {
namespace {
using test::ReadWithXlrd;
using test::XlsMerge;

// Sheet1: a bordered table A1:F8, a bold header, the merge E1:E3; G9 holds =1/0.
const std::string kSheets = test::Fixture("sheets.xls");

// Applies the rules to a workbook and reads the first sheet of the saved file.
test::XlsSheet Edited(const std::vector<std::string>& ruleStrings, const std::string& path = kSheets,
                const std::string& sheetName = "Sheet1") {
  test::TempDir dir;
  auto book = test::SharedHost().open(path, host::OpenMode::Edit);
  auto active = book->activeSheet();
  auto named = book->worksheet(sheetName);
  for (const auto& rule : rules::ParseRules(ruleStrings, false)) {
    if (!rule.readable()) throw std::runtime_error(rule.refusal);
    if (rule.acts) ApplyRule(rule, {*book, *active, *named, sheetName});
  }
  book->saveAs(dir / "out.xls");
  return ReadWithXlrd(dir / "out.xls").sheets[0];
}

// Rules in a mode other than 正行 (rows) or 整列 (columns) change nothing; they come first, so
// none can undo another. Replaced cells hold numbers (ISNUMBER tells), formulas in the user's
// syntax, or text, as typed.
TEST(RuleOperations, ValuesLandWhereExcelPutsThem) {
  using Cells = std::vector<std::tuple<int, int, std::string>>;
  const std::pair<std::vector<std::string>, Cells> cases[] = {
      {{"{删除行}|整列|2", "{插入行}|整列|2", "{删除列}|正行|A", "{删除行}|正行|3", "{删除列}|整列|C"},
       {{1, 1, "Date"}, {2, 2, "张三"}, {3, 2, "名字4"}, {1, 3, "Note"}, {3, 3, "line 4"}, {7, 5, "A-8"}}},
      {{"1|H|42", "2|H|007", "3|H|=1+2", "4|H|=SUM(1,2)", "5|H|=IF(H1>40,\"big\",\"small\")", "6|H|=1/0",
        "7|H|=Sheet1!H1&\"x\"", "8|H|=ISNUMBER(H1)", "9|G|", "2|[|first"},
       {{1, 8, "42"}, {2, 8, "007"}, {3, 8, "3"}, {4, 8, "3"}, {5, 8, "big"}, {6, 8, "7"}, {7, 8, "42x"},
        {8, 8, "1"}, {9, 7, ""}, {2, 27, "first"}}},
  };
  for (const auto& [list, cells] : cases) {
    const auto after = Edited(list);
    for (const auto& [row, column, value] : cells) {
      EXPECT_EQ(after.value(row, column), value) << "case " << list.front() << " at " << row << "," << column;
    }
  }
}

// One saved file for the format, size and name rules: the row inserted at 5 takes the formats of
// the row above and no contents; D1:E4 holds the merge E1:E3 and takes its place.
TEST(RuleOperations, FormatsMergesSizesAndNameAsAnotherReaderSeesThem) {
  const auto before = ReadWithXlrd(kSheets).sheets[0];
  auto after = Edited({"{插入行}|正行|5", "{清空}|A1|C3", "{合并}|B7|C8", "{合并}|D1|E4", "{行距}|3|30",
                       "{列距}|C|12", "{列距}|AA|20", "{表名}|改名"});
  EXPECT_EQ(after.name, "改名");
  for (int column = 1; column <= 6; ++column) {
    SCOPED_TRACE(column);
    ASSERT_NE(after.cell(5, column), nullptr);
    EXPECT_EQ(after.cell(5, column)->borders, before.cell(4, column)->borders);
    EXPECT_EQ(after.cell(5, column)->type, 6);  // blank: formats, no value
    EXPECT_EQ(after.value(6, column), before.value(5, column));
    for (int row = 1; row <= 3 && column <= 3; ++row) {  // A1:C3 cleared
      EXPECT_EQ(after.value(row, column), "") << row;
      ASSERT_NE(after.cell(row, column), nullptr) << row;
      EXPECT_EQ(after.cell(row, column)->borders, before.cell(row, column)->borders) << row;
    }
  }
  EXPECT_EQ(after.value(1, 4), "Note");

  std::sort(after.merges.begin(), after.merges.end(),
            [](const XlsMerge& a, const XlsMerge& b) { return a.firstRow < b.firstRow; });
  EXPECT_EQ(after.merges, (std::vector<XlsMerge>{{1, 4, 4, 5}, {7, 8, 2, 3}}));
  ASSERT_NE(after.cell(7, 2), nullptr);  // centred both ways, not wrapped
  const auto& cell = *after.cell(7, 2);
  EXPECT_EQ(std::tuple(cell.horizontalAlign, cell.verticalAlign, cell.wrapped), std::tuple(2, 1, false));

  EXPECT_EQ(after.rowHeights.at(3), 600);  // twentieths of a point
  // Excel's character units for a 7-pixel digit: (w * 7 + 5) / 7 * 256.
  EXPECT_NEAR(after.columnWidths.at(3), (12 * 7 + 5) / 7.0 * 256, 8);
  EXPECT_NEAR(after.columnWidths.at(27), (20 * 7 + 5) / 7.0 * 256, 8);
}

TEST(CorpusRuleOperations, ColumnWidthHoldsForACjkDefaultFont) {
  SHEETWISE_REQUIRE_CORPUS();
  const auto after = Edited({"{列距}|B|12"}, test::Corpus("cjk_single_sheet_borders_merged.xls"), "第一页");
  EXPECT_NEAR(after.columnWidths.at(2), (12 * 7 + 5) / 7.0 * 256, 8);
}

}  // namespace
}  // namespace sheetwise::batch

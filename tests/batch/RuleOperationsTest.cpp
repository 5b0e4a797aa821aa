// Every rule kind applied through the real office to real workbooks, saved,
// and read back by an independent reader.

#include "batch/RuleOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {
namespace {
using host::OpenMode;
using test::ReadWithXlrd;
using test::SharedHost;
using test::TempDir;
using test::XlsMerge;
using test::XlsSnapshot;

// Sheet1: a bordered table A1:F8 with a bold header and the merge E1:E3.
const std::string kSheets = test::Fixture("sheets.xls");

void ApplyAll(host::Workbook& book, const std::vector<std::string>& ruleStrings, const std::string& sheetName) {
  auto active = book.activeSheet();
  auto named = book.worksheet(sheetName);
  const RuleTarget target{book, *active, *named, sheetName};
  for (const auto& rule : ruleStrings) {
    const auto fields = rules::SplitFields(rule);
    const auto kind = rules::KindOf(fields[0]);
    if (RuleActs(kind, fields)) ApplyRule(kind, fields, target);
  }
}

// Applies the rules to a workbook and reads the saved file.
XlsSnapshot Edited(const std::string& path, const std::vector<std::string>& ruleStrings,
                   const std::string& sheetName = "Sheet1") {
  TempDir dir;
  auto book = SharedHost().open(path, OpenMode::Edit);
  ApplyAll(*book, ruleStrings, sheetName);
  book->saveAs(dir / "out.xls");
  return ReadWithXlrd(dir / "out.xls");
}

// The message of the failure the rules end with, "" when none.
std::string Failure(const std::vector<std::string>& ruleStrings) {
  auto book = SharedHost().open(kSheets, OpenMode::Edit);
  try {
    ApplyAll(*book, ruleStrings, "Sheet1");
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

TEST(InsertRows, NewRowTakesTheFormatsOfTheRowAboveWithoutContents) {
  const auto before = ReadWithXlrd(kSheets).sheets[0];
  const auto after = Edited(kSheets, {"{插入行}|正行|5"}).sheets[0];
  for (int column = 1; column <= 6; ++column) {
    SCOPED_TRACE(column);
    ASSERT_NE(after.cell(5, column), nullptr);
    EXPECT_EQ(after.cell(5, column)->borders, before.cell(4, column)->borders);
    EXPECT_EQ(after.cell(5, column)->type, 6);  // blank: formats, no value
    EXPECT_EQ(after.value(6, column), before.value(5, column));
    EXPECT_EQ(after.value(4, column), before.value(4, column));
  }
}

// Where cells end up: after(row, column) holds what before(row, column) held
// ("" where the before row is 0). Modes other than 正行 for rows and 整列 for
// columns change nothing.
TEST(RowAndColumnRules, MoveTheCellsAsExcelWould) {
  struct Moved {
    int row, column, beforeRow, beforeColumn;
  };
  const std::pair<std::vector<std::string>, std::vector<Moved>> cases[] = {
      {{"{插入行}|正行|1", "{插入行}|正行|1"}, {{1, 1, 0, 0}, {2, 1, 0, 0}, {3, 1, 1, 1}, {7, 1, 5, 1}}},
      {{"{删除行}|正行|3"}, {{3, 1, 4, 1}, {4, 1, 5, 1}, {2, 1, 2, 1}}},
      {{"{删除列}|整列|C"}, {{1, 3, 1, 4}, {3, 2, 3, 2}}},
      {{"{插入行}|整列|2", "{删除行}|整列|2", "{删除列}|正行|A"}, {{2, 1, 2, 1}, {4, 1, 4, 1}, {8, 6, 8, 6}}},
  };
  const auto before = ReadWithXlrd(kSheets).sheets[0];
  for (const auto& [ruleList, moved] : cases) {
    SCOPED_TRACE(ruleList.front());
    const auto after = Edited(kSheets, ruleList).sheets[0];
    for (const auto& m : moved) {
      EXPECT_EQ(after.value(m.row, m.column), m.beforeRow ? before.value(m.beforeRow, m.beforeColumn) : "")
          << m.row << "," << m.column;
    }
  }
}

// E1:E3 is merged in the source; D2:E3 overlaps it and takes its place.
TEST(MergeRange, MergesCentredWithoutWrapUndoingMergedAreasReachingIn) {
  auto after = Edited(kSheets, {"{合并}|B7|C8", "{合并}|D2|E3"}).sheets[0];
  std::sort(after.merges.begin(), after.merges.end(),
            [](const XlsMerge& a, const XlsMerge& b) { return a.firstRow < b.firstRow; });
  EXPECT_EQ(after.merges, (std::vector<XlsMerge>{{2, 3, 4, 5}, {7, 8, 2, 3}}));
  ASSERT_NE(after.cell(7, 2), nullptr);
  EXPECT_EQ(after.cell(7, 2)->horizontalAlign, 2);
  EXPECT_EQ(after.cell(7, 2)->verticalAlign, 1);
  EXPECT_FALSE(after.cell(7, 2)->wrapped);
}

TEST(ClearRange, ValuesGoFormatsStay) {
  const auto before = ReadWithXlrd(kSheets).sheets[0];
  const auto after = Edited(kSheets, {"{清空}|A1|C3"}).sheets[0];
  for (int row = 1; row <= 3; ++row) {
    for (int column = 1; column <= 3; ++column) {
      EXPECT_EQ(after.value(row, column), "") << row << "," << column;
      if (const auto* cell = after.cell(row, column)) {
        EXPECT_EQ(cell->borders, before.cell(row, column)->borders);
        EXPECT_EQ(cell->bold, before.cell(row, column)->bold);
      }
    }
  }
  EXPECT_EQ(after.value(1, 4), before.value(1, 4));
  EXPECT_EQ(after.value(4, 1), before.value(4, 1));
}

// Renaming: WorkbookEngine and RuleSafety.

TEST(RowHeightAndColumnWidth, AsAnotherReaderSeesThem) {
  const auto after = Edited(kSheets, {"{行距}|3|30", "{列距}|C|12", "{列距}|AA|20"}).sheets[0];
  EXPECT_EQ(after.rowHeights.at(3), 600);  // twentieths of a point
  // Excel's character units for a 7-pixel digit: (w * 7 + 5) / 7 * 256.
  EXPECT_NEAR(after.columnWidths.at(3), (12 * 7 + 5) / 7.0 * 256, 8);
  EXPECT_NEAR(after.columnWidths.at(27), (20 * 7 + 5) / 7.0 * 256, 8);
}

TEST(CorpusRowHeightAndColumnWidth, ColumnWidthHoldsForACjkDefaultFont) {
  SHEETWISE_REQUIRE_CORPUS();
  const auto after = Edited(test::Corpus("cjk_single_sheet_borders_merged.xls"), {"{列距}|B|12"}, "第一页").sheets[0];
  EXPECT_NEAR(after.columnWidths.at(2), (12 * 7 + 5) / 7.0 * 256, 8);
}

// Column H has no formats that would change how a value shows.
TEST(ReplaceCell, WritesNumbersFormulasAndTextsAsTyped) {
  const auto after = Edited(kSheets, {"1|H|42", "2|H|-3.5", "3|H|007", "4|H|110101199003074512", "5|H|=1+2",
                                      "6|H|=\"ab\"&\"cd\"", "7|H|3.50", "8|H|a|b", "9|H|", "10|H|=SUM(1,2)",
                                      "11|H|=1/0", "12|H|=IF(H1>40,\"big\",\"small\")", "13|H|=Sheet1!H1&\"x\""})
                         .sheets[0];
  const std::pair<int, std::string> expected[] = {{2, "42"}, {2, "-3.5"}, {1, "007"},  {1, "110101199003074512"},
                                                  {2, "3"},  {1, "abcd"}, {1, "3.50"}, {1, "a"}};
  for (int row = 1; row <= 8; ++row) {
    SCOPED_TRACE(row);
    ASSERT_NE(after.cell(row, 8), nullptr);
    EXPECT_EQ(after.cell(row, 8)->type, expected[row - 1].first);
    EXPECT_EQ(after.value(row, 8), expected[row - 1].second);
  }
  EXPECT_EQ(after.value(9, 8), "");
  EXPECT_EQ(after.value(10, 8), "3");     // argument separators as the user types them
  EXPECT_EQ(after.cell(11, 8)->type, 5);  // a formula whose result is an error value
  EXPECT_EQ(after.value(12, 8), "big");
  EXPECT_EQ(after.value(13, 8), "42x");
}

TEST(ReplaceCell, ColumnFromTheFirstCharacterOnly) {
  const auto after = Edited(kSheets, {"2|AB|first", "3|[|aa", "4|b|thirty-four", "2.5|B|even"}).sheets[0];
  EXPECT_EQ(after.value(2, 1), "first");
  EXPECT_EQ(after.value(3, 27), "aa");
  EXPECT_EQ(after.value(4, 34), "thirty-four");
  EXPECT_EQ(after.value(2, 2), "even");  // 2.5 rounds half to even
}

// Which sheet each rule acts on: WorkbookEngine.

TEST(Failures, SayWhatFailed) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"0|A|x"}, "row 0 does not exist"},
      {{"{表名}|A", "{表名}|B"}, "no sheet named \"Sheet1\""},  // the named sheet is renamed once only
      {{"7||x"}, "column is empty"},
      {{"x7|A|x"}, "row is not a number"},
      {{"{小偷}5|B|"}, "row is not a number"},
      {{"{合并}|B7"}, "field 2 is missing"},
      {{"{插入行}"}, "field 1 is missing"},
      {{"{清空}|B7|X"}, "not a cell address"},
      {{"{删除行}|正行|0"}, "not a cell address"},
      {{"{行距}|0|30"}, "not a cell address"},
      {{"{行距}|3|abc"}, "not a number"},
      {{"{列距}|C|-1"}, "not between 0 and 255"},
      {{"{表名}|a/b"}, "cannot hold"},
      {{"{表名}|"}, "cannot be empty"},
      {{"{表名}|Sheet2"}, "another sheet has that name"},
      {{"1|A|=1+*2"}, "not a formula"},
  };
  for (const auto& [ruleStrings, message] : cases) {
    SCOPED_TRACE(ruleStrings.front());
    const std::string failure = Failure(ruleStrings);
    EXPECT_NE(failure.find(message), std::string::npos) << failure;
  }
}

}  // namespace
}  // namespace sheetwise::batch

#include "ui/handlers/PreviewCommand.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedDialogs.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"
#include "ui/handlers/QuickAdd.h"

namespace sheetwise::rules {
namespace {
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using ui::CellMark;

class PreviewCommandTest : public ::testing::Test {
 protected:
  PreviewCommandTest() {
    test::WriteTableWorkbook(samples.path() / "样本.xls", "名称,数量\n苹果,3\n梨,5\n");
    main.sampleWorkbook = samples / "样本.xls";
  }

  test::TempDir samples;
  test::TempDir temporary;
  ui::Form1 main;
  ui::SamplePreview preview;
  test::ScriptedDialogs dialogs;
  PreviewCommand command{main, preview, dialogs, test::SharedHost()};
};

// Three rules on the sample: the inserted row is followed, so only the cell
// written is marked; the renamed sheet is still found, the check finds
// nothing else; the sample and its folder stay as they were and the temporary
// folder goes.
TEST_F(PreviewCommandTest, MarksTheCellsTheRulesChangedAndLeavesNothingBehind) {
  const std::string before = test::ReadFile(main.sampleWorkbook);
  main.List3.items = {"{插入行}|正行|2", "4|B|12", "{表名}|汇总"};
  {
    const test::EnvironmentVariable elsewhere("TMPDIR", temporary.path().string());
    command.command();
  }
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().front();
  ASSERT_TRUE(preview.visible);
  EXPECT_EQ(preview.raiseRequests, 1);
  EXPECT_EQ(preview.sheetName, "Sheet1");
  EXPECT_EQ(preview.before.text(3, 2), "5");
  EXPECT_EQ(preview.after.text(4, 2), "12");
  EXPECT_EQ(preview.after.text(3, 1), "苹果");
  EXPECT_EQ(preview.changes.beforeRowOf, (std::vector<int>{1, 0, 2, 3}));
  EXPECT_EQ(preview.changes.before, (std::vector<CellMark>{{3, 2}}));
  EXPECT_EQ(preview.changes.after, (std::vector<CellMark>{{4, 2}}));
  EXPECT_TRUE(preview.differences.empty()) << preview.differences.front();
  EXPECT_EQ(preview.outcome,
            "有改动的单元格：1 个（黄色）；插入的行：1 行（绿色）。\n保存后的检查：规则改动之外与样本相同。");
  EXPECT_EQ(test::ReadFile(main.sampleWorkbook), before);
  EXPECT_EQ(samples.listing(), "样本.xls\n");
  EXPECT_EQ(temporary.listing(), "");
}

// A veto lets the workbook through unedited: nothing marked, the reason said.
TEST_F(PreviewCommandTest, AVetoShowsNoCopyAndSaysWhy) {
  main.List3.items = {"3|B|12"};
  main.Text10.text = "2";
  main.Text13.text = "A";
  main.Text14.text = "香蕉";
  command.command();
  ASSERT_TRUE(preview.visible);
  EXPECT_EQ(preview.after.cells, preview.before.cells);
  EXPECT_TRUE(preview.changes.after.empty());
  EXPECT_TRUE(preview.outcome.starts_with("否定条件成立：")) << preview.outcome;
}

// The sheet named in another letter case is found, as the rules find it.
TEST_F(PreviewCommandTest, FindsTheSheetWhateverTheLetterCaseOfItsName) {
  main.List3.items = {"3|B|12"};
  main.Text9.text = "SHEET1";
  command.command();
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().front();
  EXPECT_EQ(preview.after.text(3, 2), "12");
}

// What is refused before the office is asked, and the sample chosen when none was.
TEST_F(PreviewCommandTest, RefusesWithoutRulesOrInExtractionAndAsksForASample) {
  const struct {
    Texts rules;
    int extraction;
    std::string sample;
    Texts messages;
  } cases[] = {
      {{}, 0, "", {kPreviewWithoutRules}},
      {{"{小偷}2|B|"}, 1, "", {kPreviewInExtraction}},
      {{"3|B|12"}, 0, "/no/such/book.xls", {kFileMissing}},
  };
  for (const auto& c : cases) {
    main.List3.items = c.rules;
    main.Check2.value = c.extraction;
    main.sampleWorkbook.clear();
    dialogs.messages.clear();
    dialogs.fileAnswers = {c.sample};
    command.command();
    EXPECT_EQ(dialogs.messageTexts(), c.messages);
    EXPECT_FALSE(preview.visible);
  }
  main.Check2.value = 0;
  dialogs.fileAnswers = {samples / "样本.xls"};
  command.command();
  EXPECT_EQ(main.sampleWorkbook, samples / "样本.xls");
  EXPECT_TRUE(preview.visible);
}

// Rows followed through insertions and deletions, the rows between same ones
// paired where they differ least; a cell beyond the end of a row or reading
// is empty there.
TEST(CompareSheets, FollowsInsertedAndDeletedRowsAndMarksTheCellsOfPairedRows) {
  using Rows = std::vector<int>;
  using Marks = std::vector<CellMark>;
  const struct {
    ui::SheetTable before, after;
    Rows afterRowOf, beforeRowOf;
    Marks marksBefore, marksAfter;
  } cases[] = {
      {{{"a", "b"}, {"c"}}, {{"a", "x"}, {"c", ""}}, {1, 2}, {1, 2}, {{1, 2}}, {{1, 2}}},
      {{{"a"}, {"b"}, {"c"}}, {{"a"}, {}, {"b"}, {"c"}}, {1, 3, 4}, {1, 0, 2, 3}, {}, {}},
      {{{"a"}, {"b"}, {"c"}}, {{"a"}, {"c"}}, {1, 0, 2}, {1, 3}, {}, {}},
      {{{"a"}, {"b"}, {"c"}}, {{"a"}, {"x"}, {"y"}, {"c"}}, {1, 2, 4}, {1, 2, 0, 3}, {{2, 1}}, {{2, 1}}},
      {{{"a", "b"}, {"c"}}, {{"a", "x", ""}, {"c", "", "d"}, {""}}, {1, 2}, {1, 2, 0}, {{1, 2}, {2, 3}}, {{1, 2}, {2, 3}}},
      // A row deleted and a cell written below it: the rows alike are paired.
      {{{"a"}, {"p", "q"}, {"", "r"}}, {{"a"}, {"", "s"}}, {1, 0, 2}, {1, 3}, {{3, 2}}, {{2, 2}}},
  };
  for (const auto& c : cases) {
    const ui::SheetChanges changes = ui::CompareSheets(c.before, c.after);
    EXPECT_EQ(changes.afterRowOf, c.afterRowOf);
    EXPECT_EQ(changes.beforeRowOf, c.beforeRowOf);
    EXPECT_EQ(changes.before, c.marksBefore);
    EXPECT_EQ(changes.after, c.marksAfter);
  }
}

}  // namespace
}  // namespace sheetwise::rules

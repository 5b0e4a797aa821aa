#include "ui/handlers/PreviewCommand.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

// The system's temporary folder, pointed elsewhere while it lives.
class TemporaryFolderAt {
 public:
  explicit TemporaryFolderAt(const fs::path& folder) {
    if (const char* now = ::getenv("TMPDIR")) previous_ = now;
    ::setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TemporaryFolderAt() { previous_.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", previous_.c_str(), 1); }

 private:
  std::string previous_;
};

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

// Two rules on the sample: the cell written is marked, the renamed sheet is
// still found, the check finds nothing else; the sample and its folder stay
// as they were and the temporary folder goes.
TEST_F(PreviewCommandTest, MarksTheCellsTheRulesChangedAndLeavesNothingBehind) {
  const std::string before = test::ReadFile(main.sampleWorkbook);
  main.List3.items = {"3|B|12", "{表名}|汇总"};
  {
    const TemporaryFolderAt elsewhere(temporary.path());
    command.command();
  }
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messageTexts().front();
  ASSERT_TRUE(preview.visible);
  EXPECT_EQ(preview.raiseRequests, 1);
  EXPECT_EQ(preview.sheetName, "Sheet1");
  EXPECT_EQ(preview.before.text(3, 2), "5");
  EXPECT_EQ(preview.after.text(3, 2), "12");
  EXPECT_EQ(preview.after.text(2, 1), "苹果");
  EXPECT_EQ(preview.changed, (std::vector<CellMark>{{3, 2}}));
  EXPECT_TRUE(preview.differences.empty());
  EXPECT_EQ(preview.outcome, "有改动的单元格：1 个（黄色标出）。\n保存后的检查：规则改动之外与样本相同。");
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
  EXPECT_TRUE(preview.changed.empty());
  EXPECT_TRUE(preview.outcome.starts_with("否定条件成立：")) << preview.outcome;
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

// Readings of different sizes: a cell beyond one reading's end is empty there.
TEST(ChangedCells, ComparesReadingsOfDifferentSizes) {
  const ui::SheetTable before{{"a", "b"}, {"c"}};
  const ui::SheetTable after{{"a", "x", ""}, {"c", "", "d"}, {""}};
  EXPECT_EQ(ui::ChangedCells(before, after), (std::vector<CellMark>{{1, 2}, {2, 3}}));
  EXPECT_TRUE(ui::ChangedCells(after, after).empty());
}

}  // namespace
}  // namespace sheetwise::rules

// The check of every save on workbooks the tests make themselves: no
// difference where the rules acted, a planted difference found elsewhere,
// unedited workbooks never rewritten, in place nothing written that differs.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestPaths.h"
#include "VerifyFixture.h"
#include "batch/LogEntries.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using Lines = std::vector<std::string>;

class SaveVerificationTest : public ::testing::Test {
 protected:
  SaveVerificationTest() {
    test::CopyGridWorkbook(source);
    fs::create_directories(dir.path() / "out");
    settings.sheetName = test::kGridSheet;
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
  }
  WorkbookResult process() { return engine.ProcessWorkbook(source, settings); }
  std::string output() const { return dir / "out/grid.xls"; }
  Lines logged() const {
    Lines texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  test::TempDir dir;
  std::string source = dir / "in/grid.xls";
  RunSettings settings;
  CollectedLog log;
  test::PlantingOffice office{test::SharedHost()};
  WorkbookEngine engine{office, log};
};

struct RuleCase {
  const char* name;
  Lines rules;
  const char* plantedAt;  // where E8's planted text ends up
};

class RuleKindTest : public SaveVerificationTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(RuleKindTest, NoDifferenceWhereTheRulesActedAndAPlantedOneElsewhere) {
  settings.rules = GetParam().rules;
  const auto clean = process();
  EXPECT_EQ(clean.outcome, Outcome::Processed) << clean.reason;
  EXPECT_EQ(clean.differences, Lines{});
  EXPECT_EQ(logged(), Lines{});

  office.planting = true;
  const auto planted = process();
  ASSERT_EQ(planted.differences.size(), 1u);
  EXPECT_EQ(planted.differences[0],
            std::string(GetParam().plantedAt) + ": \"plantme\" → \"PLANTED\"");
  // The copy is written and reported.
  EXPECT_EQ(logged(), Lines{VerificationEntry(output())});
  EXPECT_EQ(LoggedPath(logged().back()), output());  // a double click opens the copy
  EXPECT_EQ(log.entries().back().differences, planted.differences);
  EXPECT_TRUE(fs::exists(output()));
}

INSTANTIATE_TEST_SUITE_P(
    EveryRuleKind, RuleKindTest,
    ::testing::Values(
        RuleCase{"RowsInsertedAndDeleted", {"{插入行}|正行|3", "{插入行}|正行|3", "{删除行}|正行|5"}, "grid!E9"},
        RuleCase{"ColumnDeleted", {"{删除列}|整列|B"}, "grid!D8"},
        RuleCase{"CellReplaced", {"2|B|changed", "3|C|99", "4|D|=C4*2"}, "grid!E8"},
        RuleCase{"RangeClearedAndMerged", {"{清空}|A2|C3", "{合并}|B5|C6"}, "grid!E8"},
        RuleCase{"SheetRenamed", {"{表名}|renamed"}, "renamed!E8"},
        RuleCase{"HeightsAndWidths", {"{行距}|2|30", "{列距}|C|20"}, "grid!E8"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveVerificationTest, UneditedWorkbooksAreTheSourceBytes) {
  const std::string bytes = ReadFile(source);
  struct Case {
    const char* name;
    Lines rules;
    VetoCondition veto;
  };
  for (const auto& c : {Case{"empty rule list", {}, {}},
                        Case{"vetoed", {"2|B|changed"}, {"1", "A", "not there"}},
                        Case{"no-op rules only", {"{插入行}|其他|3", "{删除行}|别的|2"}, {}}}) {
    SCOPED_TRACE(c.name);
    settings.rules = c.rules;
    settings.veto = c.veto;
    fs::remove(output());
    process();
    EXPECT_EQ(ReadFile(output()), bytes);
  }
}

TEST_F(SaveVerificationTest, InPlaceUneditedOrDifferingWorkbooksAreNotWritten) {
  settings.inPlace = true;
  const std::string bytes = ReadFile(source);
  const auto time = fs::last_write_time(source);

  settings.veto = {"1", "A", "not there"};
  process();
  settings.veto = {};
  settings.rules = {};
  process();
  EXPECT_EQ(ReadFile(source), bytes);
  EXPECT_EQ(fs::last_write_time(source), time);

  office.planting = true;
  settings.rules = {"2|B|changed"};
  const auto result = process();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.differences, Lines{"grid!E8: \"plantme\" → \"PLANTED\""});
  EXPECT_NE(result.reason.find("grid!E8"), std::string::npos) << result.reason;
  EXPECT_EQ(logged().back(), RuleFailureEntry(source));
  EXPECT_EQ(ReadFile(source), bytes);
  EXPECT_EQ(fs::last_write_time(source), time);
  EXPECT_EQ(dir.listing(), "in\nin/grid.xls\nout\n");
}

TEST_F(SaveVerificationTest, StrictlyADifferingCopyIsNotWritten) {
  settings.strictVerify = true;
  office.planting = true;
  settings.rules = {"2|B|changed"};
  const auto result = process();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.output, "");
  EXPECT_EQ(logged(), Lines{RuleFailureEntry(source)});
  EXPECT_FALSE(fs::exists(output()));

  settings.strictVerify = false;
  settings.verify = false;
  EXPECT_EQ(process().differences, Lines{});
  EXPECT_TRUE(fs::exists(output()));
}

}  // namespace
}  // namespace sheetwise::batch

#include "extract/ExtractionRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CountingOffice.h"
#include "ScriptedPorts.h"
#include "TestPaths.h"

namespace sheetwise::extract {
namespace {
namespace fs = std::filesystem;
using test::Corpus;
using Lines = std::vector<std::string>;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ExtractionRunTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  const fs::path logFile = dir.path() / "错误日志.log";
  test::ScriptedClock clock{{2024, 3, 5, 9, 7, 2}};
  ui::Form1 form;
  batch::ErrorLog log{form, clock, logFile};
  ExtractionResults results;
  test::CountingOffice office;
  ExtractionRun run{form, results, office, log};
};

TEST_F(ExtractionRunTest, TwoEntriesAndThreeWorkbooksGiveSixLinesInReadingOrder) {
  form.xiaotou.items = {"earlier"};
  form.List3.items = {"{小偷}1|A|", "{小偷}2|C|"};
  const Lines books = {Corpus("wide_255_columns.xls"), Corpus("cjk_sheetname_second_active.xls"),
                       Corpus("complex_merged_cells.xls")};
  for (const auto& book : books) run.ExtractWorkbook(book);

  EXPECT_EQ(form.xiaotou.items, (Lines{"earlier", "11col1", "231", "11姓名", "2311", "111", "234"}));
  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(results[3], (ExtractionRecord{books[1], "2", 2, 3, "11"}));
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].path, books[i / 2]);
    EXPECT_EQ(ExtractionLine(results[i]), form.xiaotou.items[i + 1]);
  }
  // One read-only opening per workbook, whatever the number of entries.
  EXPECT_EQ(office.opened, books);
  EXPECT_EQ(office.modes, std::vector<host::OpenMode>(3, host::OpenMode::ReadOnly));
  EXPECT_TRUE(form.List4.items.empty());
  EXPECT_FALSE(fs::exists(logFile));
}

TEST_F(ExtractionRunTest, OnlyTheFirstCharacterOfTheColumnCountsAndTheRowTextIsKept) {
  form.List3.items = {"{小偷}1|[|", "{小偷}1|b|", "{小偷}1|AB|", "{小偷}01|B|", "{插入行}5|B|"};
  run.ExtractWorkbook(Corpus("wide_255_columns.xls"));

  EXPECT_EQ(form.xiaotou.items, (Lines{"127col27", "134col34", "11col1", "012col2", "52one"}));
  EXPECT_EQ(results[3], (ExtractionRecord{Corpus("wide_255_columns.xls"), "01", 1, 2, "col2"}));
}

TEST_F(ExtractionRunTest, ReadsTheFirstWorksheetNotTheNamedSheet) {
  form.Text9.text = "校园入学";
  form.List3.items = {"{小偷}1|A|"};
  run.ExtractWorkbook(Corpus("cjk_sheetname_second_active.xls"));
  EXPECT_EQ(form.xiaotou.items, Lines{"11姓名"});
}

// The lines before the failing entry stay, the entries after it are not read,
// the workbook is logged and the next workbook is read in full.
TEST_F(ExtractionRunTest, AFailedReadEndsOnlyItsWorkbook) {
  form.List3.items = {"{小偷}1|A|", "{小偷}2|A|", "{小偷}1|B|"};
  const std::string errors = Corpus("error_values_formulas.xls");
  run.ExtractWorkbook(errors);  // A2 holds #NULL!
  run.ExtractWorkbook(Corpus("wide_255_columns.xls"));

  EXPECT_EQ(form.xiaotou.items, (Lines{"11Error", "11col1", "21value", "12col2"}));
  EXPECT_EQ(results.size(), 4u);
  EXPECT_EQ(form.List4.items, Lines{"处理异常：" + errors});
  EXPECT_EQ(Contents(logFile), "2024-03-05 09:07:02处理异常：" + errors + "\r\n");
}

TEST_F(ExtractionRunTest, EntriesThatNameNoCellEndTheWorkbookLikeAFailedRead) {
  const std::string book = Corpus("wide_255_columns.xls");
  const Lines bad = {"{小偷}x|B|",  "{插入行}|正行|5", "",           "5|B|",         "{小偷}5",
                     "{小偷}5||",   "{小偷}0|A|",      "{小偷}5|0|", "{小偷}5|龍|", "{小偷}99999999999|A|"};
  for (const auto& entry : bad) {
    SCOPED_TRACE(entry);
    form.xiaotou.items.clear();
    form.List4.items.clear();
    form.List3.items = {"{小偷}1|A|", entry, "{小偷}1|B|"};
    run.ExtractWorkbook(book);
    EXPECT_EQ(form.xiaotou.items, Lines{"11col1"});
    EXPECT_EQ(form.List4.items, Lines{"处理异常：" + book});
  }
}

TEST_F(ExtractionRunTest, AWorkbookThatCannotBeOpenedIsLoggedAndGivesNoLine) {
  form.List3.items = {"{小偷}1|A|"};
  const std::string missing = dir / "missing.xls";
  run.ExtractWorkbook(missing);
  EXPECT_TRUE(form.xiaotou.items.empty());
  EXPECT_EQ(form.List4.items, Lines{"处理异常：" + missing});
}

TEST_F(ExtractionRunTest, AnEmptyRuleListOpensNothing) {
  form.xiaotou.items = {"earlier"};
  run.ExtractWorkbook(Corpus("wide_255_columns.xls"));
  run.ExtractWorkbook(dir / "missing.xls");
  EXPECT_TRUE(office.opened.empty());
  EXPECT_EQ(form.xiaotou.items, Lines{"earlier"});
  EXPECT_TRUE(form.List4.items.empty());
}

// Every later workbook would fail the same way, so the batch is stopped instead.
TEST_F(ExtractionRunTest, AnOfficeThatCannotStartReachesTheCaller) {
  test::UnstartableOffice none;
  ExtractionRun withoutOffice{form, results, none, log};
  form.List3.items = {"{小偷}1|A|"};
  EXPECT_THROW(withoutOffice.ExtractWorkbook(Corpus("wide_255_columns.xls")), host::HostUnavailable);
  EXPECT_TRUE(form.xiaotou.items.empty());
}

}  // namespace
}  // namespace sheetwise::extract

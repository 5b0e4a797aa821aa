#include "extract/ExtractionRun.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "CountingOffice.h"
#include "TestPaths.h"

namespace sheetwise::extract {
namespace {
namespace fs = std::filesystem;
using test::Corpus;
using Lines = std::vector<std::string>;

class ExtractionRunTest : public ::testing::Test {
 protected:
  // Reads path with the current entries; its lines and records are appended.
  void extract(const std::string& path) {
    for (auto& record : run.ExtractWorkbook(path, entries)) {
      lines.push_back(ExtractionLine(record));
      results.push_back(std::move(record));
    }
  }
  Lines logged() const {
    Lines texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  test::TempDir dir;
  Lines entries;
  Lines lines;
  ExtractionResults results;
  batch::CollectedLog log;
  test::CountingOffice office;
  ExtractionRun run{office, log};
};

TEST_F(ExtractionRunTest, TwoEntriesAndThreeWorkbooksGiveSixLinesInReadingOrder) {
  lines = {"earlier"};
  entries = {"{小偷}1|A|", "{小偷}2|C|"};
  const Lines books = {Corpus("wide_255_columns.xls"), Corpus("cjk_sheetname_second_active.xls"),
                       Corpus("complex_merged_cells.xls")};
  for (const auto& book : books) extract(book);

  EXPECT_EQ(lines, (Lines{"earlier", "11col1", "231", "11姓名", "2311", "111", "234"}));
  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(results[3], (ExtractionRecord{books[1], "2", 2, 3, "11"}));
  for (size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].path, books[i / 2]);
    EXPECT_EQ(ExtractionLine(results[i]), lines[i + 1]);
  }
  // One read-only opening per workbook, whatever the number of entries.
  EXPECT_EQ(office.opened, books);
  EXPECT_EQ(office.modes, std::vector<host::OpenMode>(3, host::OpenMode::ReadOnly));
  EXPECT_TRUE(log.entries().empty());
}

TEST_F(ExtractionRunTest, OnlyTheFirstCharacterOfTheColumnCountsAndTheRowTextIsKept) {
  entries = {"{小偷}1|[|", "{小偷}1|b|", "{小偷}1|AB|", "{小偷}01|B|", "{插入行}5|B|"};
  extract(Corpus("wide_255_columns.xls"));

  EXPECT_EQ(lines, (Lines{"127col27", "134col34", "11col1", "012col2", "52one"}));
  EXPECT_EQ(results[3], (ExtractionRecord{Corpus("wide_255_columns.xls"), "01", 1, 2, "col2"}));
}

TEST_F(ExtractionRunTest, ReadsTheFirstWorksheet) {
  entries = {"{小偷}1|A|"};
  extract(Corpus("cjk_sheetname_second_active.xls"));
  EXPECT_EQ(lines, Lines{"11姓名"});
}

// The lines before the failing entry stay, the entries after it are not read,
// the workbook is logged and the next workbook is read in full.
TEST_F(ExtractionRunTest, AFailedReadEndsOnlyItsWorkbook) {
  entries = {"{小偷}1|A|", "{小偷}2|A|", "{小偷}1|B|"};
  const std::string errors = Corpus("error_values_formulas.xls");
  extract(errors);  // A2 holds #NULL!
  extract(Corpus("wide_255_columns.xls"));

  EXPECT_EQ(lines, (Lines{"11Error", "11col1", "21value", "12col2"}));
  EXPECT_EQ(results.size(), 4u);
  EXPECT_EQ(logged(), Lines{"处理异常：" + errors});
  EXPECT_FALSE(log.entries()[0].reason.empty());
}

TEST_F(ExtractionRunTest, EntriesThatNameNoCellEndTheWorkbookLikeAFailedRead) {
  const std::string book = Corpus("wide_255_columns.xls");
  const Lines bad = {"{小偷}x|B|",  "{插入行}|正行|5", "",           "5|B|",         "{小偷}5",
                     "{小偷}5||",   "{小偷}0|A|",      "{小偷}5|0|", "{小偷}5|龍|", "{小偷}99999999999|A|"};
  for (const auto& entry : bad) {
    SCOPED_TRACE(entry);
    lines.clear();
    log = {};
    entries = {"{小偷}1|A|", entry, "{小偷}1|B|"};
    extract(book);
    EXPECT_EQ(lines, Lines{"11col1"});
    EXPECT_EQ(logged(), Lines{"处理异常：" + book});
  }
}

TEST_F(ExtractionRunTest, AWorkbookThatCannotBeOpenedIsLoggedAndGivesNoLine) {
  entries = {"{小偷}1|A|"};
  const std::string missing = dir / "missing.xls";
  extract(missing);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(logged(), Lines{"处理异常：" + missing});
}

TEST_F(ExtractionRunTest, AnEmptyRuleListOpensNothing) {
  lines = {"earlier"};
  extract(Corpus("wide_255_columns.xls"));
  extract(dir / "missing.xls");
  EXPECT_TRUE(office.opened.empty());
  EXPECT_EQ(lines, Lines{"earlier"});
  EXPECT_TRUE(log.entries().empty());
}

// Every later workbook would fail the same way, so the batch is stopped instead.
TEST_F(ExtractionRunTest, AnOfficeThatCannotStartReachesTheCaller) {
  test::UnstartableOffice none;
  ExtractionRun withoutOffice{none, log};
  EXPECT_THROW(withoutOffice.ExtractWorkbook(Corpus("wide_255_columns.xls"), {"{小偷}1|A|"}), host::HostUnavailable);
}

}  // namespace
}  // namespace sheetwise::extract

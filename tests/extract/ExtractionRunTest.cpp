#include "extract/ExtractionRun.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "CountingOffice.h"
#include "TestPaths.h"

namespace sheetwise::extract {
namespace {
namespace fs = std::filesystem;
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

// second_active.xls: its first sheet, not the active one, holds A1 姓名, B1
// col2, AA1 col27, AH1 col34, A2 value and B5 one.
const std::string kFirstNotActive = test::Fixture("second_active.xls");

TEST_F(ExtractionRunTest, TwoEntriesAndThreeWorkbooksGiveSixLinesInReadingOrder) {
  lines = {"earlier"};
  entries = {"{小偷}1|A|", "{小偷}2|C|"};
  const Lines books = {dir.copyFixture("sheets.xls", "a.xls"), kFirstNotActive, test::Fixture("sheets.xls")};
  for (const auto& book : books) extract(book);

  EXPECT_EQ(lines, (Lines{"earlier", "11Date", "2365", "11姓名", "23", "11Date", "2365"}));
  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(results[1], (ExtractionRecord{books[0], "2", 2, 3, "65"}));
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
  extract(kFirstNotActive);

  EXPECT_EQ(lines, (Lines{"127col27", "134col34", "11姓名", "012col2", "52one"}));
  EXPECT_EQ(results[3], (ExtractionRecord{kFirstNotActive, "01", 1, 2, "col2"}));
}

// The lines before the failing entry stay, the entries after it are not read,
// the workbook is logged and the next workbook is read in full.
TEST_F(ExtractionRunTest, AFailedReadEndsOnlyItsWorkbook) {
  entries = {"{小偷}1|A|", "{小偷}9|G|", "{小偷}1|B|"};
  const std::string errors = test::Fixture("sheets.xls");
  extract(errors);  // G9 holds =1/0
  extract(kFirstNotActive);

  EXPECT_EQ(lines, (Lines{"11Date", "11姓名", "97", "12col2"}));
  EXPECT_EQ(results.size(), 4u);
  EXPECT_EQ(logged(), Lines{"处理异常：" + errors});
  EXPECT_FALSE(log.entries()[0].reason.empty());
}

TEST_F(ExtractionRunTest, EntriesThatNameNoCellEndTheWorkbookLikeAFailedRead) {
  const Lines bad = {"{小偷}x|B|", "{插入行}|正行|5", "",           "5|B|",        "{小偷}5",
                     "{小偷}5||",  "{小偷}0|A|",      "{小偷}5|0|", "{小偷}5|龍|", "{小偷}99999999999|A|"};
  for (const auto& entry : bad) {
    SCOPED_TRACE(entry);
    lines.clear();
    log = {};
    entries = {"{小偷}1|A|", entry, "{小偷}1|B|"};
    extract(kFirstNotActive);
    EXPECT_EQ(lines, Lines{"11姓名"});
    EXPECT_EQ(logged(), Lines{"处理异常：" + kFirstNotActive});
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
  extract(kFirstNotActive);
  extract(dir / "missing.xls");
  EXPECT_TRUE(office.opened.empty());
  EXPECT_EQ(lines, Lines{"earlier"});
  EXPECT_TRUE(log.entries().empty());
}

// Every later workbook would fail the same way, so the batch is stopped instead.
TEST_F(ExtractionRunTest, AnOfficeThatCannotStartReachesTheCaller) {
  test::UnstartableOffice none;
  ExtractionRun withoutOffice{none, log};
  EXPECT_THROW(withoutOffice.ExtractWorkbook(kFirstNotActive, {"{小偷}1|A|"}), host::HostUnavailable);
}

}  // namespace
}  // namespace sheetwise::extract

// Rules act as in the spreadsheet: what it would refuse fails the workbook
// with the reason and leaves it byte-identical (the runs save in place); a
// one-cell merge does nothing and succeeds; rule files saved by a Chinese
// Windows editor are read as GB18030.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

class RuleSafetyTest : public ::testing::Test {
 protected:
  // Runs the rule text in place over a copy of the fixture workbook.
  test::BatchResult runInPlace(const std::string& book, const std::string& ruleBytes) {
    fs::remove_all(dir.path() / "src");
    dir.copyFixture(book + ".xls", "src/" + book + ".xls");
    std::ofstream(dir / "rules.txt", std::ios::binary | std::ios::trunc) << ruleBytes;
    return test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "run.log"});
  }
  std::string copyOf(const std::string& book) { return test::ReadFile(dir / ("src/" + book + ".xls")); }
  test::XlsSheet savedSheet(const std::string& book) {
    return test::ReadWithXlrd(dir / ("src/" + book + ".xls")).sheets[0];
  }

  TempDir dir;
};

TEST_F(RuleSafetyTest, WhatTheSpreadsheetRefusesFailsAndChangesNothing) {
  const struct {
    std::string book, rules, reason;
  } cases[] = {
      {"protected", "1|B|x\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{行距}|1|30\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{插入行}|正行|2\n", "the sheet \"Sheet1\" is protected"},
      // A rule that cannot act on a workbook fails it, naming the rule.
      {"full", "{插入行}|正行|2\n",
       "rule 1 \"{插入行}|正行|2\": inserting rows at 2:2 would push data in the sheet's last rows"},
      {"sheets", "1|A|" + std::string(32768, 'x') + "\n", "at most 32767 characters"},
      {"sheets", "2|C|=SUM(\n", "not a formula the spreadsheet understands"},
  };
  for (const auto& c : cases) {
    const auto result = runInPlace(c.book, c.rules);
    EXPECT_EQ(result.status, 1) << c.rules.substr(0, 20) << result.err;
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    EXPECT_EQ(copyOf(c.book), test::ReadFile(test::Fixture(c.book + ".xls"))) << c.rules.substr(0, 20);
  }
}

TEST_F(RuleSafetyTest, TheLongestTextACellHoldsIsWrittenWhole) {
  const auto result = runInPlace("sheets", "1|A|" + std::string(32767, 'x') + "\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(savedSheet("sheets").value(1, 1), std::string(32767, 'x'));
}

TEST_F(RuleSafetyTest, AOneCellMergeDoesNothingAndSucceeds) {
  const auto before = test::ReadWithXlrd(test::Fixture("sheets.xls")).sheets[0];
  const auto result = runInPlace("sheets", "{合并}|D7|D7\n");
  EXPECT_EQ(result.status, 0) << result.err;
  const auto sheet = savedSheet("sheets");
  EXPECT_EQ(sheet.value(7, 4), before.value(7, 4));
  EXPECT_EQ(sheet.merges, before.merges);
}

// {表名}|汇总 and 1|A|中文 as Notepad saves them as "ANSI" on a Chinese Windows;
// which bytes are refused, with their line: RuleFileEncoding.
TEST_F(RuleSafetyTest, RuleFilesInGb18030AreRead) {
  const auto gbk = runInPlace("sheets", "{\xB1\xED\xC3\xFB}|\xBB\xE3\xD7\xDC\r\n1|A|\xD6\xD0\xCE\xC4\r\n");
  EXPECT_EQ(gbk.status, 0) << gbk.err;
  const auto sheet = savedSheet("sheets");
  EXPECT_EQ(sheet.name, "汇总");
  EXPECT_EQ(sheet.value(1, 1), "中文");
}

}  // namespace
}  // namespace sheetwise::batch

// Rules act as in the spreadsheet: what it would refuse fails the workbook
// with the reason and leaves it byte-identical (the runs save in place); a
// one-cell merge does nothing and succeeds; rule files saved by a Chinese
// Windows editor are read as GB18030.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "MadeWorkbooks.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::MadeSheet;
using test::TempDir;

class RuleSafetyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    books_ = new TempDir;
    test::MakeWorkbooks(books_->path(),
                        {{"protected", {MadeSheet{"Sheet1", {{1, 1, "a"}, {1, 2, "b"}}, true}}},
                         {"full", {MadeSheet{"Sheet1", {{1, 1, "top"}, {65536, 1, "bottom"}}}}},
                         {"plain", {MadeSheet{"Sheet1", {{1, 1, "a"}, {7, 4, "d"}}}}}});
  }
  static void TearDownTestSuite() {
    delete books_;
    books_ = nullptr;
  }

  // Runs the rule text in place over a copy of the made workbook.
  test::BatchResult runInPlace(const std::string& book, const std::string& ruleBytes) {
    fs::remove_all(dir.path() / "src");
    fs::create_directories(dir.path() / "src");
    fs::copy_file(books_->path() / (book + ".xls"), dir.path() / "src" / (book + ".xls"));
    std::ofstream(dir / "rules.txt", std::ios::binary | std::ios::trunc) << ruleBytes;
    return test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "run.log"});
  }
  std::string bytesOf(const std::string& book) { return test::FileBytes(books_->path()).at(book + ".xls"); }
  std::string copyOf(const std::string& book) { return test::FileBytes(dir.path() / "src").at(book + ".xls"); }

  static TempDir* books_;
  TempDir dir;
};
TempDir* RuleSafetyTest::books_ = nullptr;

TEST_F(RuleSafetyTest, WhatTheSpreadsheetRefusesFailsAndChangesNothing) {
  const struct {
    std::string book, rules, reason;
  } cases[] = {
      {"protected", "1|B|x\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{行距}|1|30\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{插入行}|正行|2\n", "the sheet \"Sheet1\" is protected"},
      {"full", "{插入行}|正行|2\n", "off the sheet"},
      {"plain", "1|A|" + std::string(32768, 'x') + "\n", "at most 32767 characters"},
      {"plain", "2|C|=SUM(\n", "not a formula the spreadsheet understands"},
      {"plain", "2|C|=1+\n", "not a formula the spreadsheet understands"},
  };
  for (const auto& c : cases) {
    const auto result = runInPlace(c.book, c.rules);
    EXPECT_EQ(result.status, 1) << c.rules.substr(0, 20) << result.err;
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    EXPECT_EQ(copyOf(c.book), bytesOf(c.book)) << c.rules.substr(0, 20);
  }
}

TEST_F(RuleSafetyTest, TheLongestTextACellHoldsIsWrittenWhole) {
  const auto result = runInPlace("plain", "1|A|" + std::string(32767, 'x') + "\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(test::ReadWithXlrd(dir / "src/plain.xls").sheets[0].value(1, 1), std::string(32767, 'x'));
}

TEST_F(RuleSafetyTest, AOneCellMergeDoesNothingAndSucceeds) {
  const auto result = runInPlace("plain", "{合并}|D7|D7\n");
  EXPECT_EQ(result.status, 0) << result.err;
  const auto sheet = test::ReadWithXlrd(dir / "src/plain.xls").sheets[0];
  EXPECT_EQ(sheet.value(7, 4), "d");
  EXPECT_TRUE(sheet.merges.empty());
}

TEST_F(RuleSafetyTest, RuleFilesInGb18030AreReadAndUndecodableOnesRefusedWithTheirLine) {
  // {表名}|汇总 and 1|A|中文 as Notepad saves them as "ANSI" on a Chinese Windows.
  const auto gbk = runInPlace("plain", "{\xB1\xED\xC3\xFB}|\xBB\xE3\xD7\xDC\r\n1|A|\xD6\xD0\xCE\xC4\r\n");
  EXPECT_EQ(gbk.status, 0) << gbk.err;
  const auto book = test::ReadWithXlrd(dir / "src/plain.xls");
  EXPECT_EQ(book.sheets[0].name, "汇总");
  EXPECT_EQ(book.sheets[0].value(1, 1), "中文");

  const auto bad = runInPlace("plain", "1|A|ok\n2|A|\xFF\xFF\n");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;
  EXPECT_EQ(copyOf("plain"), bytesOf("plain"));
}

}  // namespace
}  // namespace sheetwise::batch

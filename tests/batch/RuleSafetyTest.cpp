// Rules act as in the spreadsheet, saving in place: what it would refuse fails
// the workbook with the reason and leaves it byte-identical; what it allows,
// up to its limits, is saved.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {

// Runs the rule bytes in place over a fresh copy of the fixture workbook.
test::BatchResult RunInPlace(const test::TempDir& dir, const std::string& book, const std::string& ruleBytes) {
  std::filesystem::remove_all(dir.path() / "src");
  dir.copyFixture(book + ".xls", "src/" + book + ".xls");
  std::ofstream(dir / "rules.txt", std::ios::binary | std::ios::trunc) << ruleBytes;
  return test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "run.log"});
}

TEST(RuleSafety, WhatTheSpreadsheetRefusesFailsAndChangesNothing) {
  test::TempDir dir;
  const struct {
    std::string book, rules, reason;
  } cases[] = {
      {"protected", "1|B|x\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{行距}|1|30\n", "the sheet \"Sheet1\" is protected"},
      {"protected", "{插入行}|正行|2\n", "the sheet \"Sheet1\" is protected"},
      {"sheets", "1|A|" + std::string(32768, 'x') + "\n", "at most 32767 characters"},
      {"sheets", "2|C|=SUM(\n", "not a formula the spreadsheet understands"},
  };
  for (const auto& c : cases) {
    const std::string name = c.rules.substr(0, 20);
    const auto result = RunInPlace(dir, c.book, c.rules);
    EXPECT_EQ(result.status, 1) << "case " << name << ": " << result.err;
    EXPECT_NE(result.err.find(c.reason), std::string::npos) << "case " << name << ": " << result.err;
    EXPECT_EQ(test::ReadFile(dir / ("src/" + c.book + ".xls")), test::ReadFile(test::Fixture(c.book + ".xls")))
        << "case " << name;
  }
}

// The rule file as Notepad saves it on a Chinese Windows ("ANSI", GB18030):
// {表名}|汇总, 1|A|中文, the longest text a cell holds, a one-cell merge.
TEST(RuleSafety, RulesAtTheSpreadsheetsLimitsAreSaved) {
  test::TempDir dir;
  const auto before = test::ReadWithXlrd(test::Fixture("sheets.xls")).sheets[0];
  const std::string longest(32767, 'x');
  const auto result = RunInPlace(dir, "sheets",
                                 "{\xB1\xED\xC3\xFB}|\xBB\xE3\xD7\xDC\r\n1|A|\xD6\xD0\xCE\xC4\r\n2|A|" + longest +
                                     "\r\n{\xBA\xCF\xB2\xA2}|D7|D7\r\n");
  EXPECT_EQ(result.status, 0) << result.err;
  const auto sheet = test::ReadWithXlrd(dir / "src/sheets.xls").sheets[0];
  EXPECT_EQ(sheet.name, "汇总");
  EXPECT_EQ(sheet.value(1, 1), "中文");
  EXPECT_EQ(sheet.value(2, 1), longest);
  EXPECT_EQ(sheet.value(7, 4), before.value(7, 4));
  EXPECT_EQ(sheet.merges, before.merges);
}

}  // namespace
}  // namespace sheetwise::batch

// One workbook end to end through the real office, driven by the plain settings value.

#include "batch/WorkbookEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "BookSnapshot.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"
#include "host/ProcFs.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadWithXlrd;
using Entries = std::vector<std::string>;

class WorkbookEngineTest : public ::testing::Test {
 protected:
  WorkbookEngineTest() {
    fs::create_directories(dir.path() / "out");
    settings.naming = {dir / "in/", dir / "out/", "", "", "", "", "new_"};
  }
  void process() { engine.ProcessWorkbook(path, settings); }
  Entries logged() const {
    Entries texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  test::TempDir dir;
  const std::string path = dir.copyFixture("sheets.xls", "in/book.xls");
  const std::string output = dir / "out/new_book.xls";
  RunSettings settings;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Before any rule acted a failure is a processing error; after, or from a rule that cannot be
// read or that the office refuses, a rule failure; each says why. Neither a fired veto nor a failure writes
// anything, in place or as a copy; naming rules that lead back to the source do not write over it.
TEST_F(WorkbookEngineTest, VetoesAndFailuresAreLoggedAndWriteNothing) {
  const std::string processing = "处理异常：" + path;
  const std::string failed = "表头不匹配处理失败：<file/>" + path + "</file>";
  const struct {
    std::string sheet;
    VetoCondition veto;
    Entries rules;
    std::string entry, reason;  // the log entry, and the reason or its start
  } cases[] = {
      {"Sheet1", {"1.5", "B", "Name"}, {"2|A|x"}, "触发否决条件：<file/>" + path + "</file>",
       "cell B1.5 does not hold \"Name\""},  // B2 holds 张三
      {"Sheet1", {"row", "A", ""}, {}, processing, "the veto row is not a number: \"row\""},
      {"Sheet1", {"9", "G", ""}, {}, processing, "cell G9 holds an error value, which has no text"},  // =1/0
      {"NoSuchSheet", {}, {}, processing, "the workbook has no sheet named \"NoSuchSheet\""},
      {"Sheet1", {}, {"{插入行}|整列|5", "{删除行}"}, failed,  // a rule that cannot be read fails as a rule
       "rule 2 \"{删除行}\": the rule is too short: field 1 is missing after \"{删除行}\" (a rule of its kind is "
       "{删除行}|正行|ROW)"},
      {"Sheet1", {}, {"2|A|ok", "x|A|bad"}, failed,
       "rule 2 \"x|A|bad\": the row must be a whole number from 1 to 1048576, not \"x\""},
      {"Sheet1", {}, {"{表名}|First", "{表名}|Second"}, failed, "no sheet named \"Sheet1\""},  // renamed once only
      {"Sheet1", {}, {"{列距}|C|-1"}, failed, "not between 0 and 255"},
      {"Sheet1", {}, {"{表名}|Sheet2"}, failed, "another sheet has that name"},
      {"Sheet1", {}, {"1|A|=1+*2"}, failed, "not a formula"},
  };
  const std::string before = test::ReadFile(path);
  settings.inPlace = true;
  Entries expected;
  for (const auto& c : cases) {
    settings.sheetName = c.sheet;
    settings.veto = c.veto;
    settings.rules = rules::ParseRules(c.rules, false);
    const std::string reason = engine.ProcessWorkbook(path, settings).reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << "case " << c.entry << ": " << reason;
    expected.push_back(c.entry);
  }
  settings.inPlace = false;
  settings.naming.saveFolder = dir / "copies/";  // a failed copy makes not even its folder
  process();
  settings.naming = {dir / "in/", dir / "in/", "", "", "", "", ""};
  settings.rules = rules::ParseRules({"2|A|ok"}, false);  // rules that act: only the save can fail
  process();
  // A rule the office refuses, quoted cut short in the reason.
  settings.rules = rules::ParseRules({"1|A|" + std::string(10 << 20, 'x')}, false);
  settings.naming = {dir / "in/", dir / "out/", "", "", "", "", "new_"};
  const auto result = engine.ProcessWorkbook(path, settings);
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.reason,
            "rule 1 \"1|A|" + std::string(56, 'x') + "…\": a cell holds at most 32767 characters; the text has 10485760");
  expected.insert(expected.end(), 3, failed);
  EXPECT_EQ(logged(), expected);
  EXPECT_EQ(dir.listing(), "in\nin/book.xls\nout\n");
  EXPECT_EQ(test::ReadFile(path), before);
}

// The rules' edits reach the office together; a refused one still fails as
// the rule that made it, whether the refusal comes to light at the end, before
// a later rule looks a sheet up, or before a later rule fails by itself.
TEST_F(WorkbookEngineTest, AnEditTheOfficeRefusesFailsAsTheRuleThatMadeIt) {
  const std::string taken = "\"{表名}|Sheet2\": the sheet cannot be named \"Sheet2\": another sheet has that name";
  const std::string formula = "\"1|A|=1+*2\": not a formula the spreadsheet understands: =1+*2";
  const struct {
    Entries rules;
    std::string reason;
  } cases[] = {
      {{"2|A|ok", "{表名}|Sheet2", "3|A|ok", "{插入行}|正行|2"}, "rule 2 " + taken},
      {{"{表名}|Sheet2", "{表名}|Other"}, "rule 1 " + taken},
      {{"2|A|ok", "1|A|=1+*2", "{列距}|C|-1"}, "rule 2 " + formula},
      {{"1|A|=1+*2", "{删除行}"}, "rule 1 " + formula},
  };
  settings.sheetName = "Sheet1";
  for (const auto& c : cases) {
    settings.rules = rules::ParseRules(c.rules, false);
    const auto result = engine.ProcessWorkbook(path, settings);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.reason, c.reason);
  }
  EXPECT_EQ(dir.listing(), "in\nin/book.xls\nout\n");
}

// second_active.xls: Sheet1 comes first, the second sheet (数据, A2 holds 1)
// is the active one. Over two hundred workbooks the office's memory stays flat.
TEST_F(WorkbookEngineTest, NamedSheetForCellsActiveSheetForRowsAndTheOfficeMemoryStaysFlat) {
  dir.copyFixture("second_active.xls", "in/book.xls");
  settings.rules =
      rules::ParseRules({"{表名}|改名", "1|A|named", "{删除行}|正行|1", "{合并}|D10|E11", "{列距}|C|12"}, false);
  long long afterTen = 0;
  for (int i = 1; i <= 200; ++i) {
    process();
    if (i == 10) afterTen = host::ResidentBytes(test::SharedHost().officePid());
  }
  const long long atEnd = host::ResidentBytes(test::SharedHost().officePid());
  EXPECT_EQ(logged(), Entries{});
  EXPECT_LT(atEnd, afterTen + 40ll * 1024 * 1024);
  const auto after = ReadWithXlrd(output);
  EXPECT_EQ(after.sheets[0].name, "改名");
  EXPECT_EQ(after.sheets[0].value(1, 1), "named");
  EXPECT_EQ(after.sheets[1].value(1, 1), "1");
  EXPECT_EQ(after.activeSheet(), 1);
}

// A merge whose cells reach into a merged area that goes on outside them
// (the fixture's E1:E3) would undo that area: it fails, naming the span the
// two take together, and in place nothing is written. A merge around the
// area takes its place; the check, reading the saved file, agrees.
TEST_F(WorkbookEngineTest, AMergeReachingIntoAMergedAreaFailsAndOneAroundItReplacesIt) {
  settings.inPlace = true;
  const std::string xlsx = dir.copyFixture("sheets.xlsx", "in/book.xlsx");
  for (const std::string& book : {path, xlsx}) {
    SCOPED_TRACE(book);
    const std::string before = test::ReadFile(book);
    settings.rules = rules::ParseRules({"{合并}|D2|E3"}, false);
    const auto refused = engine.ProcessWorkbook(book, settings);
    EXPECT_EQ(refused.outcome, Outcome::Failed);
    EXPECT_EQ(refused.reason, "rule 1 \"{合并}|D2|E3\": the cells D2:E3 overlap a merged area that reaches outside "
                              "them (together they take D1:E3); merge all of that, or unmerge the area first");
    EXPECT_TRUE(test::ReadFile(book) == before) << "a refused workbook was written";

    settings.rules = rules::ParseRules({"{合并}|D1|E4"}, false);
    const auto merged = engine.ProcessWorkbook(book, settings);
    EXPECT_EQ(merged.outcome, Outcome::Processed) << merged.reason;
    EXPECT_EQ(merged.differences, Entries{});
  }
  EXPECT_EQ(ReadWithXlrd(path).sheets[0].merges, (std::vector<test::XlsMerge>{{1, 4, 4, 5}}));
  EXPECT_EQ(test::ReadBook(xlsx).merges, (std::set<std::string>{"0 1 4 4 5"}));
}

}  // namespace
}  // namespace sheetwise::batch

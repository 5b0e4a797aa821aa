// The batch command end to end: its arguments, checked as a whole before any
// workbook is touched (each problem has its message and exit status 2, in the
// user's locale), a real folder tree through the real office, parallel and
// sharded runs.

#include "cli/BatchCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::RunBatch;
using test::TempDir;
using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Log lines without their date and time (the first 19 characters).
Lines LogEntries(const fs::path& log) {
  Lines entries;
  for (const auto& line : SplitLines(ReadFile(log))) entries.push_back(line.substr(19, line.size() - 20));
  return entries;
}

// The command as its own program under env settings ("-u NAME", "NAME=VALUE").
test::BatchResult RunProgram(const Lines& env, const Lines& args) {
  Lines all = env;
  all.push_back(SHEETWISE_BATCH_BINARY);
  all.insert(all.end(), args.begin(), args.end());
  auto program = test::StartProgram("/usr/bin/env", all, true);
  const std::string said = test::ReadOutput(program);
  return {test::WaitForExit(program.pid), "", said};
}

// A source tree: three workbooks in two folders, one file that is no workbook;
// an empty save folder.
class BatchCommandTest : public ::testing::Test {
 protected:
  BatchCommandTest() {
    dir.copyFixture("sheets.xls", "src/a.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/b.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/c.XLS");
    dir.copyFixture("sheets.xlsx", "src/old_dept/d.xls");
    fs::create_directory(dir.path() / "out");
    std::ofstream(dir / "rules.txt") << "\xEF\xBB\xBF" "1|C|edited\r\n\r\n{插入行}|正行|2\r\n";
    std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n{小偷}2|C|\n";
    std::ofstream(dir / "file.txt") << "x";
    std::ofstream(dir / "undecodable.txt") << "1|A|ok\n2|A|\xFF\xFF\n";  // which bytes: RuleFileEncoding
    sources = test::FileBytes(dir / "src");
  }
  Lines with(Lines extra, const std::string& rules = "rules.txt") const {
    Lines args = {"--source", dir / "src", "--rules", dir / rules, "--log", dir / "run.log"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // Nothing of the run happened: the workbooks as they were, no output, no log.
  void expectUntouched(const std::string& what) {
    EXPECT_EQ(test::FileBytes(dir / "src"), sources) << what;
    EXPECT_TRUE(fs::is_empty(dir.path() / "out")) << what;
    EXPECT_FALSE(fs::exists(dir.path() / "run.log")) << what;
  }
  TempDir dir;
  std::map<std::string, std::string> sources;
};

TEST_F(BatchCommandTest, EachArgumentProblemIsFoundBeforeTheFirstWorkbook) {
  const std::string out = dir / "out";
  const std::string rules = dir / "rules.txt";
  const std::pair<Lines, std::string> cases[] = {
      {{}, "--source DIR is required"},
      {{"--source", dir / "src"}, "--rules FILE is required"},
      {with({}), "give --save DIR or --in-place"},
      {with({"--save", out, "--in-place"}), "not both"},
      {with({"--save"}), "--save needs 1 value"},
      {with({"--bogus"}), "unknown option \"--bogus\""},
      {with({"--save", out, "--jobs", "0"}), "--jobs needs a whole number"},
      {with({"--save", out, "--shard", "3/2"}), "K between 1 and N"},
      {with({"--save", out, "--shard", "2"}), "--shard needs K/N"},
      {{"--source", dir / "nowhere", "--rules", rules, "--save", out}, "--source: the folder " + dir / "nowhere" +
                                                                           " does not exist"},
      {{"--source", dir / "src", "--rules", dir / "none.txt", "--save", out}, "none.txt does not exist"},
      {{"--source", dir / "src", "--rules", out, "--save", out}, "is a folder, not a rule file"},
      {with({"--save", out}, "undecodable.txt"), "line 2"},
      {with({"--save", dir / "file.txt"}), "--save: " + dir / "file.txt" + " is a file, not a folder"},
      {with({"--save", dir / "no/out"}), "--save: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--veto-row", "1"}), "go together"},
      {with({"--save", out, "--veto-row", "0", "--veto-col", "A"}), "row 0 does not exist"},
      {with({"--save", out, "--veto-row", "x", "--veto-col", "A"}), "--veto-row needs a row number"},
      {with({"--save", out, "--veto-row", "1", "--veto-col", "a"}), "one capital column letter"},
      {with({"--save", out, "--veto-value", "Date"}), "--veto-value needs --veto-row and --veto-col"},
      {with({"--save", out, "--sheet", ""}), "--sheet needs a sheet name"},
      {with({"--save", out, "--sheet", "a/b"}), "no sheet can be named"},
      {with({"--extract", "--save", out}, "cells.txt"), "--extract only reads workbooks"},
      {with({"--extract", "--in-place"}, "cells.txt"), "--extract only reads workbooks"},
      {with({"--extract", "--prefix", "x"}, "cells.txt"), "--extract neither tests a veto nor names files"},
      {with({"--extract"}), "rule 1 of the rule file is \"1|C|edited\""},
      {with({"--in-place", "--prefix", "日期_"}), "--in-place keeps every file name"},
      {with({"--in-place", "--name-replace", "a", "b"}), "--in-place keeps every file name"},
      {with({"--save", out, "--source", dir / "src"}), "--source is given twice"},
      {with({"--save", out, "--output", dir / "x.csv"}), "goes with --extract only"},
      {with({"--save", out, "--name-replace", "", "b"}), "--name-replace needs a text to replace"},
      {with({"--save", out, "--path-replace", "out", "x"}), "--path-replace: \"out\" occurs in the save folder"},
      {{"--source", dir / "src", "--rules", rules, "--save", out, "--log", dir / "no/run.log"},
       "--log: the folder " + dir / "no" + " does not exist"},
      {{"--source", dir / "src", "--rules", rules, "--save", out, "--log", out}, "--log: " + out + " is a folder"},
      {with({"--save", out, "--report", dir / "no/r.csv"}), "--report: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--report", dir / "run.log"}), "is the same file as"},
  };
  for (const auto& [args, message] : cases) {
    const auto result = RunBatch(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << message << "\n  said: " << result.err;
    expectUntouched(message);
  }
  const auto help = RunBatch({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--source", "--rules", "--save", "--in-place", "--sheet", "--veto-row", "--veto-col",
                             "--veto-value", "--prefix", "--name-replace", "--path-replace", "--extract", "--output",
                             "--log", "--jobs", "--shard", "--dry-run", "--quiet", "--version"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

TEST_F(BatchCommandTest, MessagesFollowTheLocale) {
  const Lines args = with({"--save", dir / "out", "--veto-row", "0", "--veto-col", "A"});
  const auto english = RunProgram({"-u", "LANGUAGE", "LC_ALL=C.UTF-8"}, args);
  EXPECT_EQ(english.status, 2);
  EXPECT_NE(english.err.find("--veto-row: row 0 does not exist (rows are 1 to 65536)"), std::string::npos)
      << english.err;
  // With the locale generated or not, a zh_CN locale gives Chinese.
  for (const Lines& env : {Lines{"-u", "LANGUAGE", "LC_ALL=zh_CN.UTF-8"}, Lines{"LANGUAGE=zh_CN", "LC_ALL=C.UTF-8"}}) {
    const auto chinese = RunProgram(env, args);
    EXPECT_EQ(chinese.status, 2) << env.back();
    EXPECT_NE(chinese.err.find("--veto-row：第 0 行不存在（行号为 1 到 65536）"), std::string::npos)
        << env.back() << ": " << chinese.err;
  }
  expectUntouched("locale runs");
}

TEST_F(BatchCommandTest, AnEmptyRuleListCopiesAndSaysSoOnce) {
  std::ofstream(dir / "empty.txt") << "\n\n";
  dir.copyFixture("sheets.xls", "one/a.xls");
  const auto result = RunBatch({"--source", dir / "one", "--rules", dir / "empty.txt", "--save", dir / "out", "--log",
                                dir / "run.log"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string notice = "the rule list is empty: workbooks are copied unchanged";
  const size_t first = result.err.find(notice);
  EXPECT_NE(first, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(notice, first + 1), std::string::npos) << result.err;
  EXPECT_TRUE(fs::exists(dir.path() / "out/a.xls"));
  EXPECT_EQ(RunBatch(with({"--extract"}, "empty.txt")).status, 2);
}

TEST_F(BatchCommandTest, EditsTheTreeWithEveryOption) {
  const auto result = RunBatch(with({"--save", dir / "out", "--sheet", "Sheet1", "--veto-row", "1", "--veto-col", "A",
                                     "--veto-value", "Date", "--prefix", "日期_", "--name-replace", ".XLS", ".xls",
                                     "--path-replace", "old_", "new_", "--jobs", "2"}));
  EXPECT_EQ(result.status, 1) << result.err;  // d.xls is no workbook
  const std::string today = result.err.empty() ? "" : SplitLines(ReadFile(dir / "run.log")).front().substr(0, 10);
  const fs::path out = dir.path() / "out";
  const auto a = test::ReadWithXlrd(out / (today + "_a.xls"));
  EXPECT_EQ(a.sheets[0].value(1, 3), "edited");  // veto passed: A1 is "Date"
  const auto b = test::ReadWithXlrd(out / "new_dept" / (today + "_b.xls"));
  EXPECT_EQ(b.sheets[0].value(1, 3), "");  // vetoed: saved unchanged
  EXPECT_EQ(b.sheets[0].value(1, 1), "姓名");
  EXPECT_TRUE(fs::exists(out / "new_dept" / (today + "_c.xls")));
  const std::string src = (dir.path() / "src").string();
  EXPECT_EQ(LogEntries(dir / "run.log"),
            (Lines{"触发否决条件：<file/>" + src + "/old_dept/b.xls</file>",
                   "触发否决条件：<file/>" + src + "/old_dept/c.XLS</file>", "处理异常：" + src + "/old_dept/d.xls"}));
  EXPECT_NE(result.err.find("3 processed (2 vetoed), 1 failed"), std::string::npos) << result.err;
}

TEST_F(BatchCommandTest, ParallelRunsGiveTheSameOutputsLogAndCsv) {
  auto run = [&](const std::string& jobs) {
    const std::string tag = "j" + jobs;
    RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / tag, "--log", dir / (tag + ".log"),
              "--jobs", jobs});
    RunBatch({"--source", dir / "src", "--rules", dir / "cells.txt", "--extract", "--output", dir / (tag + ".csv"),
              "--log", dir / (tag + "x.log"), "--jobs", jobs});
  };
  run("1");
  run("3");
  EXPECT_EQ(LogEntries(dir / "j1.log"), LogEntries(dir / "j3.log"));
  EXPECT_EQ(ReadFile(dir / "j1.csv"), ReadFile(dir / "j3.csv"));
  EXPECT_EQ(SplitLines(ReadFile(dir / "j1.csv")).front(), "file,row,column,text\r");
  EXPECT_EQ(SplitLines(ReadFile(dir / "j1.csv")).size(), 7u);  // header + 2 cells x 3 workbooks
  for (const char* name : {"a.xls", "old_dept/b.xls", "old_dept/c.XLS"}) {
    const auto one = test::ReadWithXlrd(dir / (std::string("j1/") + name));
    const auto three = test::ReadWithXlrd(dir / (std::string("j3/") + name));
    EXPECT_EQ(one.sheets[0].cells.size(), three.sheets[0].cells.size()) << name;
    EXPECT_EQ(one.sheets[0].value(1, 3), three.sheets[0].value(1, 3)) << name;
  }
}

TEST_F(BatchCommandTest, ShardsCoverTheQueueOnceAndDryRunOpensNothing) {
  const Lines save = {"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "dry", "--dry-run"};
  Lines all;
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    Lines args = save;
    args.insert(args.end(), {"--shard", shard});
    const auto result = RunBatch(args);
    EXPECT_EQ(result.status, 0);
    for (const auto& line : SplitLines(result.out)) all.push_back(line.substr(0, line.find('\t')));
  }
  const auto whole = SplitLines(RunBatch(save).out);
  ASSERT_EQ(whole.size(), 4u);
  EXPECT_EQ(whole[0], (dir.path() / "src/a.xls").string() + "\t" + (dir.path() / "dry/a.xls").string());
  std::sort(all.begin(), all.end());
  Lines expected;
  for (const auto& line : whole) expected.push_back(line.substr(0, line.find('\t')));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(all, expected);
  EXPECT_FALSE(fs::exists(dir / "dry"));
}

TEST_F(BatchCommandTest, AnOfficeThatCannotStartSaysWhyNotWhatToPress) {
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  host::HostOptions missing;
  missing.officeProgramDir = dir.path() / "no-office/program";
  EXPECT_EQ(RunBatchCommand(with({"--save", dir / "out"}), {out, err, false}, interrupted, missing), 2);
  EXPECT_NE(err.str().find("LibreOffice could not be started: LibreOffice is not installed: " + dir /
                           "no-office/program/soffice is missing"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(err.str().find("开始"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("apt-get"), std::string::npos) << err.str();
  EXPECT_EQ(test::FileBytes(dir / "src"), sources);
  // Nothing of the failed start stays to stop the next office in this process.
  std::ostringstream again;
  RunBatchCommand(with({"--save", dir / "out"}), {out, again, false}, interrupted);
  EXPECT_NE(again.str().find("3 processed"), std::string::npos) << again.str();
}

}  // namespace
}  // namespace sheetwise::batch

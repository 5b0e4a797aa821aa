// The batch command end to end: its arguments and the run's plan, checked as a
// whole before any file is touched (each problem has its message and exit
// status 2, in the user's locale: copies stay inside the save folder, never
// land on a file of the run nor on each other), a real folder tree through the
// real office, parallel and sharded runs.

#include "cli/BatchCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchRun.h"
#include "TestPaths.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::RunBatch;
using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A source tree: three workbooks in two folders, a link to one of them, one file
// that is no workbook; an empty save folder.
class BatchCommandTest : public ::testing::Test {
 protected:
  BatchCommandTest() {
    dir.copyFixture("sheets.xls", "src/a.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/b.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/c.XLS");
    dir.copyFixture("sheets.xlsx", "src/old_dept/d.xls");
    fs::create_symlink("../a.xls", dir / "src/old_dept/link.xls");
    fs::create_directories(dir.path() / "linked");
    fs::create_directory_symlink(dir.path() / "src", dir.path() / "linked/up");
    fs::create_directory(dir.path() / "out");
    std::ofstream(dir / "rules.txt") << "\xEF\xBB\xBF" "1|C|edited\r\n\r\n{插入行}|正行|2\r\n";
    std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n{小偷}2|C|\n";
    std::ofstream(dir / "empty.txt") << "\n\n";
    std::ofstream(dir / "file.txt") << "x";
    std::ofstream(dir / "undecodable.txt") << "1|A|ok\n2|A|\xFF\xFF\n";  // which bytes: RuleFileEncoding
    fs::create_hard_link(dir / "rules.txt", dir / "log.txt");
    files = test::FileBytes(dir.path());
  }
  Lines bare(Lines extra, const std::string& rules = "rules.txt") const {
    Lines args = {"--source", dir / "src", "--rules", dir / rules};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  Lines with(Lines extra, const std::string& rules = "rules.txt") const {
    extra.insert(extra.begin(), {"--log", dir / "run.log"});
    return bare(extra, rules);
  }
  // Nothing of the run happened: every file as it was, no copy, no log.
  void expectUntouched(const std::string& what) {
    EXPECT_EQ(test::FileBytes(dir.path()), files) << what;
    EXPECT_TRUE(fs::is_empty(dir.path() / "out")) << what;
  }
  test::TempDir dir;
  std::map<std::string, std::string> files;
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
      {{"--source", dir / "nowhere", "--rules", rules, "--save", out},
       "--source: the folder " + dir / "nowhere" + " does not exist"},
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
      {with({"--extract", "--prefix", "x"}, "cells.txt"), "--extract neither tests a veto nor names files"},
      {with({"--extract"}), "rule 1 of the rule file is \"1|C|edited\""},
      {with({"--extract"}, "empty.txt"), "the rule list is empty: there is no cell to read"},
      {with({"--in-place", "--prefix", "日期_"}), "--in-place keeps every file name"},
      {with({"--save", out, "--source", dir / "src"}), "--source is given twice"},
      {with({"--save", out, "--output", dir / "x.csv"}), "goes with --extract only"},
      {with({"--save", out, "--name-replace", "", "b"}), "--name-replace needs a text to replace"},
      {with({"--save", out, "--path-replace", "out", "x"}), "--path-replace: \"out\" occurs in the save folder"},
      {bare({"--save", out, "--log", out}), "--log: " + out + " is a folder"},
      {with({"--save", out, "--report", dir / "no/r.csv"}), "--report: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--prefix", "../"}), "outside the save folder, at " + dir / "out/../a.xls"},
      {with({"--save", dir / "linked", "--prefix", "up/"}), "outside the save folder, at " + dir / "linked/up/a.xls"},
      {with({"--save", out, "--path-replace", "/old_dept/", "/../../src/"}),  // the folder is made before any copy
       "the copy of " + dir / "src/old_dept/ outside the save folder"},
      {with({"--save", out, "--name-replace", "c.XLS", "b.xls"}), "the same copy " + dir / "out/old_dept/b.xls"},
      {with({"--save", dir / "src"}), "would write over " + dir / "src/a.xls" + ", which this run reads"},
      {with({"--save", out, "--report", dir / "run.log"}), "is the same file as " + dir / "run.log"},
      {bare({"--save", out, "--log", dir / "src/old_dept/b.xls"}), "is the same file as " + dir / "src/old_dept/b.xls"},
      {bare({"--save", out, "--log", rules}), "is the same file as " + rules},
      {bare({"--save", out, "--log", dir / "out/old_dept/b.xls"}), "is the same file as " + dir / "out/old_dept/b.xls"},
      {bare({"--extract", "--output", dir / "src/a.xls"}, "cells.txt"), "is the same file as " + dir / "src/a.xls"},
      {bare({"--save", out, "--log", dir / "log.txt", "--dry-run"}), "is the same file as " + rules},  // a hard link
      {with({"--in-place"}), "and " + dir / "src/old_dept/link.xls" + " the same copy"},  // one file, edited twice
  };
  for (const auto& [args, message] : cases) {
    const auto result = RunBatch(args);
    EXPECT_EQ(result.status, 2) << "case " << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << "case " << message << "\n  said: " << result.err;
    EXPECT_EQ(result.out, "") << "case " << message;
    expectUntouched("case " + message);
  }
  const auto help = RunBatch({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--veto-value"), std::string::npos) << help.out;
}

// The command as its own program under env settings; with the zh_CN locale
// generated or not, Chinese.
TEST_F(BatchCommandTest, MessagesFollowTheLocale) {
  const std::string chinese = "--veto-row：第 0 行不存在（行号为 1 到 65536）";
  const std::pair<Lines, std::string> cases[] = {
      {{"-u", "LANGUAGE", "LC_ALL=C.UTF-8"}, "--veto-row: row 0 does not exist (rows are 1 to 65536)"},
      {{"-u", "LANGUAGE", "LC_ALL=zh_CN.UTF-8"}, chinese},
      {{"LANGUAGE=zh_CN", "LC_ALL=C.UTF-8"}, chinese},
  };
  for (const auto& [env, message] : cases) {
    Lines args = env;
    args.push_back(SHEETWISE_BATCH_BINARY);
    for (const auto& arg : with({"--save", dir / "out", "--veto-row", "0", "--veto-col", "A"})) args.push_back(arg);
    auto program = test::StartProgram("/usr/bin/env", args, true);
    const std::string said = test::ReadOutput(program);
    EXPECT_EQ(test::WaitForExit(program.pid), 2) << "case " << env.back();
    EXPECT_NE(said.find(message), std::string::npos) << "case " << env.back() << ": " << said;
  }
  expectUntouched("locale runs");
}

// Two runs into a save folder inside the source folder ("old", beside
// "old_dept"): the copies are no sources of the second run. Each run says once
// that the rule list is empty; the second, quiet, gives its reasons only in its
// CSV report.
TEST_F(BatchCommandTest, TwoRunsIntoASaveFolderInsideTheSource) {
  const auto before = test::FileBytes(dir / "src");
  const std::string notice = "the rule list is empty: workbooks are copied unchanged";
  for (const Lines& extra : {Lines{}, Lines{"--quiet", "--report", dir / "r.csv"}}) {
    Lines args = {"--save", dir / "src/old", "--prefix", "X_"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto result = RunBatch(with(args, "empty.txt"));
    const std::string run = extra.empty() ? "first run: " : "second run: ";
    const size_t first = result.err.find(notice);
    EXPECT_NE(first, std::string::npos) << run << result.err;
    EXPECT_EQ(result.err.find(notice, first + 1), std::string::npos) << run << result.err;
    EXPECT_NE(result.err.find("4 processed"), std::string::npos) << run << result.err;
    EXPECT_EQ(result.err.find("cannot read this kind of file") == std::string::npos, !extra.empty()) << run;
  }
  const Lines report = SplitLines(ReadFile(dir / "r.csv"));
  ASSERT_EQ(report.size(), 6u);
  EXPECT_EQ(report[0], "source,outcome,output,reason,differences,seconds\r");
  EXPECT_EQ(report[4].rfind(dir / "src/old_dept/d.xls,failed,,\"the office cannot read this kind of file: ", 0), 0u)
      << report[4];
  auto sources = test::FileBytes(dir / "src");
  Lines copies;
  for (const auto& [name, bytes] : test::FileBytes(dir / "src/old")) copies.push_back(name);
  EXPECT_EQ(copies, (Lines{"X_a.xls", "old_dept/X_b.xls", "old_dept/X_c.XLS", "old_dept/X_link.xls"}));
  std::erase_if(sources, [](const auto& file) { return file.first.starts_with("old/"); });
  EXPECT_EQ(sources, before);
}

TEST_F(BatchCommandTest, ParallelExtractionsWriteTheSameCsv) {
  for (const std::string jobs : {"1", "3"}) {
    RunBatch(with({"--extract", "--output", dir / (jobs + ".csv"), "--jobs", jobs}, "cells.txt"));
  }
  EXPECT_EQ(ReadFile(dir / "3.csv"), ReadFile(dir / "1.csv"));
  const Lines csv = SplitLines(ReadFile(dir / "1.csv"));
  ASSERT_EQ(csv.size(), 9u);  // header + 2 cells x 4 workbooks
  EXPECT_EQ(csv.front(), "file,row,column,text\r");
}

TEST_F(BatchCommandTest, ShardsCoverTheQueueOnceAndDryRunOpensNothing) {
  const auto plan = [&](Lines extra) {
    extra.insert(extra.end(), {"--save", dir / "dry", "--dry-run"});
    return SplitLines(RunBatch(with(extra)).out);
  };
  Lines shards;
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    for (const auto& line : plan({"--shard", shard})) shards.push_back(line);
  }
  Lines whole = plan({});
  ASSERT_EQ(whole.size(), 5u);
  EXPECT_EQ(whole[0], (dir.path() / "src/a.xls").string() + "\t" + (dir.path() / "dry/a.xls").string());
  std::sort(shards.begin(), shards.end());
  std::sort(whole.begin(), whole.end());
  EXPECT_EQ(shards, whole);
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
  EXPECT_EQ(test::FileBytes(dir.path()), files);
  // Nothing of the failed start stays to stop the next office in this process.
  std::ostringstream again;
  RunBatchCommand(with({"--save", dir / "out"}), {out, again, false}, interrupted);
  EXPECT_NE(again.str().find("4 processed"), std::string::npos) << again.str();
}

}  // namespace
}  // namespace sheetwise::batch

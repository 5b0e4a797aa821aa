// The batch command end to end: arguments, a real folder tree through the
// real office, parallel and sharded runs, and an interrupted run.

#include "cli/BatchCommand.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Lines = std::vector<std::string>;

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunCommand(const Lines& args) {
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  const int status = RunBatchCommand(args, {out, err, false}, interrupted);
  return {status, out.str(), err.str()};
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Log lines without their date and time (the first 19 characters).
Lines LogEntries(const fs::path& log) {
  Lines entries;
  for (const auto& line : SplitLines(Read(log))) entries.push_back(line.substr(19, line.size() - 20));
  return entries;
}

// A source tree: three workbooks in two folders, one file that is no workbook.
class BatchCommandTest : public ::testing::Test {
 protected:
  BatchCommandTest() {
    dir.copyFixture("sheets.xls", "src/a.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/b.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/c.XLS");
    dir.copyFixture("sheets.xlsx", "src/old_dept/d.xls");
    std::ofstream(dir / "rules.txt") << "\xEF\xBB\xBF" "1|C|edited\r\n\r\n{插入行}|正行|2\r\n";
  }
  Lines base() const { return {"--source", dir / "src", "--rules", dir / "rules.txt"}; }
  Lines with(Lines extra) const {
    Lines args = base();
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempDir dir;
};

TEST_F(BatchCommandTest, ArgumentErrorsSayWhatToFix) {
  const std::pair<Lines, std::string> cases[] = {
      {{}, "--source DIR is required"},
      {{"--source", dir / "src"}, "--rules FILE is required"},
      {base(), "give --save DIR or --in-place"},
      {with({"--save", "x", "--in-place"}), "not both"},
      {with({"--save"}), "--save needs 1 value"},
      {with({"--bogus"}), "unknown option \"--bogus\""},
      {with({"--save", "x", "--jobs", "0"}), "--jobs needs a whole number"},
      {with({"--save", "x", "--shard", "3/2"}), "K between 1 and N"},
      {with({"--save", "x", "--shard", "2"}), "--shard needs K/N"},
      {with({"--save", "x", "--veto-row", "1"}), "go together"},
      {{"--source", dir / "nowhere", "--rules", dir / "rules.txt", "--save", "x"}, "--source: the folder " + dir / "nowhere" + " does not exist"},
      {{"--source", dir / "src", "--rules", dir / "none.txt", "--save", "x"}, "none.txt does not exist"},
      {with({"--save", dir / "out_2024", "--path-replace", "_2024", "_x"}), "\"_2024\" occurs in the save folder"},
  };
  for (const auto& [args, message] : cases) {
    const auto result = RunCommand(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
  }
  EXPECT_FALSE(fs::exists(dir / "out_2024"));
  const auto help = RunCommand({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--source", "--rules", "--save", "--in-place", "--sheet", "--veto-row", "--veto-col",
                             "--veto-value", "--prefix", "--name-replace", "--path-replace", "--extract", "--output",
                             "--log", "--jobs", "--shard", "--dry-run", "--quiet", "--version"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
}

TEST_F(BatchCommandTest, EditsTheTreeWithEveryOption) {
  const auto result = RunCommand(with({"--save", dir / "out", "--sheet", "Sheet1", "--veto-row", "1", "--veto-col", "A",
                                "--veto-value", "Date", "--prefix", "日期_", "--name-replace", ".XLS", ".xls",
                                "--path-replace", "old_", "new_", "--log", dir / "run.log", "--jobs", "2"}));
  EXPECT_EQ(result.status, 1);  // d.xls is no workbook
  const std::string today = result.err.empty() ? "" : SplitLines(Read(dir / "run.log")).front().substr(0, 10);
  const fs::path out = dir.path() / "out";
  const auto a = test::ReadWithXlrd(out / (today + "_a.xls"));
  EXPECT_EQ(a.sheets[0].value(1, 3), "edited");          // veto passed: A1 is "Date"
  const auto b = test::ReadWithXlrd(out / "new_dept" / (today + "_b.xls"));
  EXPECT_EQ(b.sheets[0].value(1, 3), "");                // vetoed: saved unchanged
  EXPECT_EQ(b.sheets[0].value(1, 1), "姓名");
  EXPECT_TRUE(fs::exists(out / "new_dept" / (today + "_c.xls")));
  const std::string src = (dir.path() / "src").string();
  EXPECT_EQ(LogEntries(dir / "run.log"),
            (Lines{"触发否决条件：<file/>" + src + "/old_dept/b.xls</file>",
                   "触发否决条件：<file/>" + src + "/old_dept/c.XLS</file>",
                   "处理异常：" + src + "/old_dept/d.xls"}));
  EXPECT_NE(result.err.find("3 processed (2 vetoed), 1 failed"), std::string::npos) << result.err;
}

TEST_F(BatchCommandTest, ParallelRunsGiveTheSameOutputsLogAndCsv) {
  std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n{小偷}2|C|\n";
  auto run = [&](const std::string& jobs) {
    const std::string tag = "j" + jobs;
    RunCommand(with({"--save", dir / tag, "--log", dir / (tag + ".log"), "--jobs", jobs}));
    RunCommand({"--source", dir / "src", "--rules", dir / "cells.txt", "--extract", "--output", dir / (tag + ".csv"),
         "--log", dir / (tag + "x.log"), "--jobs", jobs});
  };
  run("1");
  run("3");
  EXPECT_EQ(LogEntries(dir / "j1.log"), LogEntries(dir / "j3.log"));
  EXPECT_EQ(Read(dir / "j1.csv"), Read(dir / "j3.csv"));
  EXPECT_EQ(SplitLines(Read(dir / "j1.csv")).front(), "file,row,column,text\r");
  EXPECT_EQ(SplitLines(Read(dir / "j1.csv")).size(), 7u);  // header + 2 cells x 3 workbooks
  for (const char* name : {"a.xls", "old_dept/b.xls", "old_dept/c.XLS"}) {
    const auto one = test::ReadWithXlrd(dir / (std::string("j1/") + name));
    const auto three = test::ReadWithXlrd(dir / (std::string("j3/") + name));
    EXPECT_EQ(one.sheets[0].cells.size(), three.sheets[0].cells.size()) << name;
    EXPECT_EQ(one.sheets[0].value(1, 3), three.sheets[0].value(1, 3)) << name;
  }
}

TEST_F(BatchCommandTest, ShardsCoverTheQueueOnceAndDryRunOpensNothing) {
  Lines all;
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    const auto result = RunCommand(with({"--save", dir / "out", "--dry-run", "--shard", shard}));
    EXPECT_EQ(result.status, 0);
    for (const auto& line : SplitLines(result.out)) all.push_back(line.substr(0, line.find('\t')));
  }
  const auto whole = SplitLines(RunCommand(with({"--save", dir / "out", "--dry-run"})).out);
  ASSERT_EQ(whole.size(), 4u);
  EXPECT_EQ(whole[0], (dir.path() / "src/a.xls").string() + "\t" + (dir.path() / "out/a.xls").string());
  std::sort(all.begin(), all.end());
  Lines expected;
  for (const auto& line : whole) expected.push_back(line.substr(0, line.find('\t')));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(all, expected);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(BatchCommandTest, InterruptedRunLeavesNoPartialFile) {
  for (int i = 0; i < 40; ++i) dir.copyFixture("sheets.xls", "many/" + std::to_string(i) + ".xls");
  int errPipe[2];
  ASSERT_EQ(::pipe(errPipe), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(errPipe[1], STDERR_FILENO);
    ::close(errPipe[0]);
    const std::string source = dir / "many";
    const std::string rules = dir / "rules.txt";
    const std::string save = dir / "out";
    ::execl(SHEETWISE_BATCH_BINARY, "sheetwise-batch", "--source", source.c_str(), "--rules", rules.c_str(),
            "--save", save.c_str(), "--jobs", "2", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(errPipe[1]);
  // Interrupt once the first workbooks were saved.
  for (int i = 0; i < 600 && !(fs::exists(dir / "out/0.xls") && fs::exists(dir / "out/1.xls")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(child, SIGINT);
  int status = 0;
  ::waitpid(child, &status, 0);
  std::string err;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(errPipe[0], buffer, sizeof buffer)) > 0) err.append(buffer, static_cast<size_t>(n));
  ::close(errPipe[0]);
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_NE(err.find("interrupted: "), std::string::npos) << err;
  size_t saved = 0;
  for (const auto& entry : fs::directory_iterator(dir / "out")) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();  // no hidden save folder
    EXPECT_EQ(test::ReadWithXlrd(entry.path().string()).sheets[0].value(1, 3), "edited") << entry.path();
    ++saved;
  }
  EXPECT_GE(saved, 2u);
  EXPECT_LT(saved, 40u);
}

}  // namespace
}  // namespace sheetwise::batch

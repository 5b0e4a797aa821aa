// Runs that can be repeated: reports read back, --resume over real in-place
// runs through the office (one stopped by SIGKILL part-way), and shards taken
// from a scheduler's variables by the program itself.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "cli/ReportReader.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::CountOf;
using test::TempDir;
using Lines = std::vector<std::string>;

// The example's header "日期" is in A1; each inserted first row moves it down one.
int HeaderRow(const std::string& path) {
  const auto sheet = test::ReadWithXlrd(path).sheets[0];
  for (int row = 1; row <= 5; ++row) {
    if (sheet.value(row, 1) == "日期") return row;
  }
  return 0;
}

// n copies of the example under dir/src, named 0.xls, 1.xls, ..., and the rule list
// dir/rules.txt that inserts a first row.
Lines MakeTree(const TempDir& dir, int n) {
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  Lines paths;
  for (int i = 0; i < n; ++i) paths.push_back(test::CopyExample(dir, "src/" + std::to_string(i) + ".xls"));
  return paths;
}

Lines InPlace(const TempDir& dir, const std::string& report, Lines extra = {}) {
  Lines args = {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "log",
                "--report", report};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

TEST(ResumeReport, RowsReadBackAsWrittenAndACutRowIsLeftOut) {
  TempDir dir;
  const ReportRow rows[] = {
      {"/d/a,\"b\".xls", ReportOutcome::Processed, "/o/a.xls", "", {"B2: 1 → 2", "C3"}, 1.5, "00ff", "2026-12-07 10:00:00",
       FileStamp{4096, 1765100000, 120000000}},
      {"/d/报表\n2.xls", ReportOutcome::Failed, "", "cell \"A1\"\tis odd", {}, 0, "00ff", "", std::nullopt},
  };
  for (const std::string name : {"r.csv", "r.jsonl"}) {
    const fs::path path = dir.path() / name;
    { RunReport(path).add(rows[0]); }
    const auto whole = fs::file_size(path);
    {
      RunReport report(path, whole);
      report.add(rows[1]);
    }
    const auto beforeCut = fs::file_size(path);
    std::ofstream(path, std::ios::app) << (name == "r.csv" ? "\"/d/cut" : "{\"source\":\"/d/cut");
    const ReportFile read = ReadReport(path);
    ASSERT_EQ(read.rows.size(), 2u) << name;
    EXPECT_EQ(read.wholeBytes, beforeCut) << name;
    for (size_t i = 0; i < 2; ++i) {
      const auto& [want, got] = std::pair(rows[i], read.rows[i]);
      EXPECT_EQ(got.source, want.source) << name;
      EXPECT_EQ(got.outcome, want.outcome) << name;
      EXPECT_EQ(got.output, want.output) << name;
      EXPECT_EQ(got.reason, want.reason) << name;
      EXPECT_EQ(got.differences, want.differences) << name;
      EXPECT_EQ(got.digest, want.digest) << name;
      EXPECT_EQ(got.finished, want.finished) << name;
      EXPECT_EQ(got.stamp, want.stamp) << name;
    }
    EXPECT_EQ(CountOf(test::ReadFile(path), "source,outcome"), name == "r.csv" ? 1u : 0u);
  }
}

// A file that is no report, or one without the columns resuming needs, is refused before any workbook.
TEST(ResumeReport, WhatCannotBeResumedFromIsRefused) {
  TempDir dir;
  MakeTree(dir, 1);
  std::ofstream(dir / "old.csv") << "source,outcome,output,reason,differences,seconds\r\n/x.xls,processed,,,,0.10\r\n";
  std::ofstream(dir / "notes.csv") << "name,amount\r\nli,3\r\n";
  std::ofstream(dir / "bad.jsonl") << "{\"source\":\"/x.xls\",\"outcome\":\"processed\"}\n{\"source\":\n{}\n";
  std::ofstream(dir / "odd.csv") << std::string(kReportCsvHeader) + "\r\n/x.xls,done,,,,0,,,,\r\n";
  const std::pair<Lines, std::string> cases[] = {
      {{"--resume", dir / "none.csv"}, "--resume: " + dir / "none.csv" + " does not exist"},
      {{"--resume", dir / "src"}, "--resume: " + dir / "src" + " is a folder, not a file"},
      {{"--resume", dir / "old.csv"}, "was written by an earlier version of sheetwise-batch"},
      {{"--resume", dir / "notes.csv"}, "is not a report of sheetwise-batch: its first line is \"name,amount\""},
      {{"--resume", dir / "bad.jsonl"}, "bad.jsonl is not a report of sheetwise-batch: line 2 cannot be read"},
      {{"--resume", dir / "odd.csv"}, "odd.csv is not a report of sheetwise-batch: line 2 cannot be read"},
  };
  const auto before = test::FileBytes(dir.path());
  for (const auto& [extra, message] : cases) {
    const auto result = test::RunBatch(InPlace(dir, dir / "r.csv", extra));
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << message << "\n  said: " << result.err;
    EXPECT_EQ(test::FileBytes(dir.path()), before) << message;
  }
}

// Killed part-way (SIGKILL, two offices), then resumed: every workbook has its row inserted once.
TEST(Resume, AnInPlaceRunKilledPartWayAndResumedEditsEachWorkbookOnce) {
  TempDir dir;
  const Lines books = MakeTree(dir, 8);
  const std::string report = dir / "r.csv";
  auto killed = test::StartProgram(SHEETWISE_BATCH_BINARY, InPlace(dir, report, {"--jobs", "2"}), false);
  for (int i = 0; i < 2400 && CountOf(test::ReadFile(report), "\r\n") < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ::kill(killed.pid, SIGKILL);
  test::WaitForExit(killed.pid);
  EXPECT_EQ(test::OfficesLeftAfterExit(killed.pid), 0);
  const size_t doneBefore = ReadReport(report).rows.size();
  ASSERT_GE(doneBefore, 2u);
  ASSERT_LT(doneBefore, books.size()) << "the run ended before it was killed";

  const auto resumed = test::RunBatch(InPlace(dir, report, {"--jobs", "2", "--resume", report}));
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 2) << book;
  const auto rows = ReadReport(report).rows;
  ASSERT_EQ(rows.size(), doneBefore + books.size());
  size_t skipped = 0;
  for (size_t i = doneBefore; i < rows.size(); ++i) skipped += rows[i].outcome == ReportOutcome::Skipped ? 1 : 0;
  EXPECT_GE(skipped, doneBefore);
  EXPECT_EQ(CountOf(test::ReadFile(report), "source,outcome"), 1u);
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
}

// A run killed after a workbook replaced its source but before its report row was written: the
// replacement is in the save journal, and the resumed run does not edit that workbook again.
TEST(Resume, AReplacementInTheJournalButNotInTheReportIsNotRepeated) {
  TempDir dir;
  const Lines books = MakeTree(dir, 2);
  const std::string report = dir / "r.jsonl";
  ASSERT_EQ(test::RunBatch(InPlace(dir, report)).status, 0);
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
  fs::rename(report, JournalPathOf(report));  // the rows as the journal wrote them before each replacement
  std::ofstream(report, std::ios::trunc).flush();

  const auto resumed = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("2 workbooks that " + report + " lists as done are skipped"), std::string::npos)
      << resumed.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 2) << book;
  const auto rows = ReadReport(report).rows;
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) {
    EXPECT_EQ(row.outcome, ReportOutcome::Skipped);
    EXPECT_TRUE(row.reason.starts_with("already processed at ")) << row.reason;
  }
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
}

// A workbook changed since, or a changed rule list, is done again; the report grows by each run's
// rows under its one header, and a third run resumes from the rows of both.
TEST(Resume, AChangedWorkbookOrRuleListIsDoneAgainAndTheReportGrows) {
  TempDir dir;
  const Lines books = MakeTree(dir, 3);
  const std::string report = dir / "r.csv";
  ASSERT_EQ(test::RunBatch(InPlace(dir, report)).status, 0);
  test::CopyExample(dir, "src/1.xls");  // changed since: its header is back in A1
  const auto second = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(second.status, 0) << second.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 2) << book;
  const auto third = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_NE(third.err.find("3 workbooks that"), std::string::npos) << third.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 2) << book;
  std::ofstream(dir / "rules.txt", std::ios::app) << "9|C|x\n";
  const auto fourth = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(fourth.status, 0) << fourth.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 3) << book;

  // Each run's rows: those the resumed report had done first, then the queue's.
  const auto rows = ReadReport(report).rows;
  const std::pair<int, std::string> expected[] = {
      {0, "processed"}, {1, "processed"}, {2, "processed"}, {0, "skipped"},   {2, "skipped"},   {1, "processed"},
      {0, "skipped"},   {1, "skipped"},   {2, "skipped"},   {0, "processed"}, {1, "processed"}, {2, "processed"}};
  ASSERT_EQ(rows.size(), std::size(expected));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].source, books[expected[i].first]) << "row " << i;
    EXPECT_EQ(OutcomeName(rows[i].outcome), expected[i].second) << "row " << i;
  }
  EXPECT_EQ(rows[3].reason, "already processed at " + rows[0].finished);
  EXPECT_NE(rows[9].digest, rows[0].digest);
  EXPECT_EQ(CountOf(test::ReadFile(report), "source,outcome"), 1u);
}

// The program reads its shard from the scheduler's variables as each scheduler sets them.
TEST(Shards, AutoTakesTheShardFromTheSchedulersVariables) {
  TempDir dir;
  for (int i = 0; i < 9; ++i) {
    fs::create_directories(dir.path() / ("src/" + std::to_string(i % 2)));
    std::ofstream(dir / ("src/" + std::to_string(i % 2) + "/" + std::to_string(i) + ".xls")) << "x";
  }
  std::ofstream(dir / "rules.txt") << "1|A|x\n";
  const Lines args = {"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--dry-run",
                      "--log", dir / "log", "--shard"};
  const Lines unset = {"-u", "SLURM_ARRAY_TASK_ID",       "-u", "JOB_COMPLETION_INDEX", "-u",
                       "AWS_BATCH_JOB_ARRAY_INDEX", "-u", "LANGUAGE",             "LC_ALL=C.UTF-8"};
  const auto program = [&](Lines env, const std::string& shard) {
    env.insert(env.begin(), unset.begin(), unset.end());
    env.push_back(SHEETWISE_BATCH_BINARY);
    env.insert(env.end(), args.begin(), args.end());
    env.push_back(shard);
    auto started = test::StartProgram("/usr/bin/env", env, true);
    std::string said = test::ReadOutput(started);
    return std::pair(test::WaitForExit(started.pid), said);
  };
  Lines planned = args;
  planned.push_back("2/3");
  const std::string second = test::RunBatch(planned).out;
  ASSERT_FALSE(second.empty());
  const Lines slurm = {"SLURM_ARRAY_JOB_ID=8812", "SLURM_ARRAY_TASK_ID=5", "SLURM_ARRAY_TASK_MIN=4",
                       "SLURM_ARRAY_TASK_MAX=6", "SLURM_ARRAY_TASK_COUNT=3", "SLURM_ARRAY_TASK_STEP=1"};
  const struct {
    Lines env;
    std::string shard;
    int status;
    std::string said;
  } cases[] = {
      {slurm, "auto", 0, second},
      {{"AWS_BATCH_JOB_ARRAY_INDEX=1", "AWS_BATCH_JOB_ID=a1b2:1"}, "auto/3", 0, second},
      {{}, "auto", 2, "sheetwise-batch: --shard auto takes its shard from a Slurm job array"},
  };
  for (const auto& c : cases) {
    const auto [status, said] = program(c.env, c.shard);
    EXPECT_EQ(status, c.status) << c.shard << " " << c.said;
    EXPECT_EQ(said.rfind(c.said, 0), 0u) << c.shard << " " << c.said << "\n  said: " << said;
  }
}

}  // namespace
}  // namespace sheetwise::batch

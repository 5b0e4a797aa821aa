// Runs that can be repeated: reports read back, and --resume over real in-place
// runs through the office (one stopped by SIGKILL part-way).

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

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
  const auto fields = [](const ReportRow& r) {
    return std::tie(r.source, r.outcome, r.output, r.reason, r.differences, r.digest, r.finished, r.stamp);
  };
  for (const std::string name : {"r.csv", "r.jsonl"}) {
    const fs::path path = dir.path() / name;
    RunReport(path).add(rows[0]);
    RunReport(path, fs::file_size(path)).add(rows[1]);  // appended after the whole rows
    const auto beforeCut = fs::file_size(path);
    std::ofstream(path, std::ios::app) << (name == "r.csv" ? "\"/d/cut" : "{\"source\":\"/d/cut");
    const ReportFile read = ReadReport(path);
    ASSERT_EQ(read.rows.size(), 2u) << name;
    EXPECT_EQ(read.wholeBytes, beforeCut) << name;
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(fields(read.rows[i]), fields(rows[i])) << name << " row " << i;
    }
    EXPECT_EQ(CountOf(test::ReadFile(path), "source,outcome"), name == "r.csv" ? 1u : 0u);
  }
}

// Killed part-way (SIGKILL, two offices, which end with it), then resumed: every workbook has its
// row inserted once, and the resumed run clears the hidden saving folder the killed one left.
TEST(Resume, AnInPlaceRunKilledPartWayAndResumedEditsEachWorkbookOnce) {
  TempDir dir;
  // Enough workbooks that the run is still at work well after its second row.
  const Lines books = MakeTree(dir, 24);
  const std::string report = dir / "r.csv";
  auto killed = test::StartProgram(SHEETWISE_BATCH_BINARY, InPlace(dir, report, {"--jobs", "2"}), false);
  for (int i = 0; i < 6000 && CountOf(test::ReadFile(report), "\r\n") < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(test::OfficesOf(killed.pid), 0);
  ::kill(killed.pid, SIGKILL);
  EXPECT_EQ(test::WaitForExit(killed.pid), 128 + SIGKILL);
  EXPECT_EQ(test::OfficesLeftAfterExit(killed.pid), 0);
  test::LeaveAbandonedSaveFolder(dir.path() / "src");  // as a kill in the middle of a save leaves it
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

// A workbook changed since, or a changed rule list, is done again; the report grows by each run's
// rows, and a third run resumes from the rows of both. Then a run killed after each workbook replaced
// its source but before its report row was written: the replacements are in the save journal, and
// the resumed run does not edit those workbooks again.
TEST(Resume, AChangedWorkbookOrRuleListIsDoneAgainAndAJournalledReplacementIsNot) {
  TempDir dir;
  const Lines books = MakeTree(dir, 3);
  const std::string report = dir / "r.jsonl";
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
  auto rows = ReadReport(report).rows;
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

  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
  fs::rename(report, JournalPathOf(report));  // the rows as the journal wrote them before each replacement
  std::ofstream(report, std::ios::trunc).flush();
  const auto resumed = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("3 workbooks that " + report + " lists as done are skipped"), std::string::npos)
      << resumed.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 3) << book;
  rows = ReadReport(report).rows;
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) {
    EXPECT_EQ(row.outcome, ReportOutcome::Skipped);
    EXPECT_TRUE(row.reason.starts_with("already processed at ")) << row.reason;
  }
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
}

}  // namespace
}  // namespace sheetwise::batch

// Reports read back, and --resume over real in-place runs (one stopped by SIGKILL part-way).

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>
#include <map>

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
  for (int row = 1; row <= 5; ++row)
    if (sheet.value(row, 1) == "日期") return row;
  return 0;
}

// n copies of the example as dir/src/0.xls, 1.xls, ..., and rules.txt inserting a first row.
Lines MakeTree(const TempDir& dir, int n) {
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  Lines paths;
  for (int i = 0; i < n; ++i) paths.push_back(test::CopyExample(dir, "src/" + std::to_string(i) + ".xls"));
  return paths;
}

Lines InPlace(const TempDir& dir, const std::string& report, const Lines& extra = {}) {
  return test::Plus({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "log",
                     "--report", report}, extra);
}

const std::string kSha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// Rows with quotes, commas, newlines and tabs, changes too, read back field for field; a cut last row is left out.
TEST(ResumeReport, RowsReadBackAsWrittenAndACutRowIsLeftOut) {
  TempDir dir;
  ReportRow rows[] = {
      {"/d/a,\"b\".xls", ReportOutcome::Processed, "/o/a.xls", "", {"B2: 1 → 2", "C3"}, 1.5, "00ff", "2026-12-07 10:00:00",
       FileStamp{4096, 1765100000, 120000000}, kSha256},
      {"/d/报表\n2.xls", ReportOutcome::Failed, "", "cell \"A1\"\tis odd", {}, 0, "00ff", "", std::nullopt},
  };
  rows[0].changes = {"sheet \"S\": row 2 inserted", "sheet \"S\", cell A1: 1 → \"a,\n\\\"b\\\"\"", "… 3 more (5 in all)"};
  const auto fields = [](const ReportRow& r) {
    return std::tie(r.source, r.outcome, r.output, r.reason, r.differences, r.digest, r.finished, r.stamp, r.sha256,
                    r.changes);
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
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(fields(read.rows[i]), fields(rows[i])) << name << " row " << i;
    EXPECT_EQ(CountOf(test::ReadFile(path), "source,outcome"), name == "r.csv" ? 1u : 0u);
  }
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

// A report of some megabytes read row by row: rows across the reader's reads read whole, and
// each row read again where it starts.
TEST(ResumeReport, ALargeReportReadRowByRowAndRowsReadAgainWhereTheyStart) {
  TempDir dir;
  for (const std::string name : {"r.csv", "r.jsonl"}) {
    const fs::path path = dir.path() / name;
    {
      RunReport report(path);
      for (int i = 0; i < 12000; ++i) {
        report.add({"/d/报表 \"" + std::to_string(i) + "\".xls", ReportOutcome::Processed, "/o/" + std::to_string(i),
                    "", {"B2: 1 → 2", std::string(1 + i % 97, 'x')}, 1, "00ff", "2026-12-07 10:00:00",
                    FileStamp{i, 1765100000, 0}, kSha256});
      }
    }
    ReportRows rows(path);
    std::vector<std::pair<std::uintmax_t, ReportRow>> read;
    while (auto row = rows.next()) read.emplace_back(rows.rowStart(), std::move(*row));
    ASSERT_EQ(read.size(), 12000u) << name;
    EXPECT_EQ(rows.wholeBytes(), fs::file_size(path)) << name;
    for (const size_t i : {size_t{0}, size_t{4321}, size_t{11999}}) {
      EXPECT_EQ(read[i].second.source, "/d/报表 \"" + std::to_string(i) + "\".xls") << name;
      EXPECT_EQ(read[i].second.differences.at(1), std::string(1 + i % 97, 'x')) << name;
      EXPECT_EQ(rows.rowAt(read[i].first).stamp, read[i].second.stamp) << name << " row " << i;
    }
    EXPECT_EQ(rows.wholeBytes(), fs::file_size(path)) << name;
  }
}

// Rows looked up again by the compact index: a workbook's last row counts, the journal's after the
// report's; a row under another digest counts for nothing; in place, content is found under any name.
TEST(ResumeReport, TheLastRowOfAWorkbookCountsAndInPlaceItsContentWhateverItsName) {
  TempDir dir;
  const auto file = [&](const std::string& name, const std::string& text) {
    fs::create_directories(fs::path(dir / name).parent_path());
    std::ofstream(dir / name) << text;
    return dir / name;
  };
  const auto row = [&](const std::string& name, const std::string& sha256, const std::string& digest = "00ff") {
    const std::string source = dir / ("src/" + name);
    return ReportRow{source, ReportOutcome::Processed, dir / ("out/" + name), "", {}, 1, digest,
                     "2026-12-07 10:00:00", StampOf(source), sha256};
  };
  Lines queue;
  for (const std::string name : {"a", "b", "c", "d", "e"}) {
    queue.push_back(file("src/" + name + ".xls", name));
    file("out/" + name + ".xls", name + name);
  }
  const auto copy = [&](const std::string& name) { return Sha256Of(dir / ("out/" + name)); };
  const std::string wrong(64, '0');
  {
    RunReport report(dir / "r.csv");
    for (const auto& r : {row("a.xls", copy("a.xls")), row("b.xls", copy("b.xls")), row("a.xls", wrong),
                          row("c.xls", wrong), row("e.xls", copy("e.xls"), "11ee")}) {
      report.add(r);
    }
    RunReport journal(JournalPathOf(dir / "r.csv"));
    for (const auto& r : {row("c.xls", copy("c.xls")), row("d.xls", copy("d.xls"))}) journal.add(r);
  }
  ResumePoint copies(dir / "r.csv", "00ff", false);
  WorkbookPaths left(queue);
  copies.takeDone(left);
  EXPECT_EQ(left.strings(), (Lines{queue[0], queue[4]}));
  ASSERT_EQ(copies.doneCount(), 3u);
  const Lines done = {dir / "src/b.xls", dir / "src/c.xls", dir / "src/d.xls"};
  const bool inReport[] = {true, true, false};  // c's report row is done too, though not what counts
  for (size_t i = 0; i < 3; ++i) {
    const DoneWorkbook workbook = copies.done(i);
    EXPECT_EQ(workbook.row.source, done[i]);
    EXPECT_EQ(workbook.row.outcome, ReportOutcome::Skipped);
    EXPECT_EQ(workbook.row.sha256, Sha256Of(dir / ("out/" + fs::path(done[i]).filename().string())));
    EXPECT_EQ(workbook.inReport, inReport[i]) << done[i];
  }

  // In place: the content of a workbook done under another name.
  {
    RunReport report(dir / "p.csv");
    ReportRow elsewhere = row("gone.xls", Sha256Of(queue[1]));
    elsewhere.stamp = StampOf(queue[1]);
    report.add(elsewhere);
  }
  ResumePoint inPlace(dir / "p.csv", "00ff", true);
  WorkbookPaths all(queue);
  inPlace.takeDone(all);
  EXPECT_EQ(all.size(), 4u);
  ASSERT_EQ(inPlace.doneCount(), 1u);
  EXPECT_EQ(inPlace.done(0).row.source, queue[1]);
  EXPECT_FALSE(inPlace.done(0).inReport);
}

// Only a last row may be cut short; an open quote earlier (it would swallow later rows), a bad
// digest, or an earlier version's report is refused, naming the line.
TEST(ResumeReport, OnlyALastRowCutShortIsLeftOut) {
  TempDir dir;
  const std::string header = std::string(kReportCsvHeader) + "\r\n";
  const ReportRow done{"/d/a.xls", ReportOutcome::Processed, "/d/a.xls", "", {"B2", "C3"}, 1, "00ff",
                       "2026-12-07 10:00:00", FileStamp{4096, 1765100000, 0}, kSha256};
  const std::string row = CsvReportRow(done);
  const std::string opened = "/d/b.xls,failed,,\"typed note,,0.00,,,,,\r\n";
  const auto lf = [](std::string text) { return std::erase(text, '\r'), text; };
  const struct {
    std::string name, text;
    size_t rows;  // read, when not refused
    std::string refusal;
  } cases[] = {
      {"cut.csv", header + row + row.substr(0, 34), 1, ""},  // cut inside the differences, past their "\n"
      {"cut.jsonl", JsonReportRow(done) + JsonReportRow(done).substr(0, 30), 1, ""},
      {"open.csv", header + row + opened + row + row, 0, "line 4"},  // the row above takes lines 2 and 3
      {"open-lf.csv", lf(header + row + opened + row), 0, "line 4"},
      {"open-last.csv", header + row + opened, 0, "a quote opened on line 4 is never closed"},
      {"open-late.csv", header + Repeated(row, 10000) + opened + row, 0, "line 20002"},  // megabytes in
      {"digest.csv", header + std::string(row).replace(row.find(kSha256), 64, "not-a-digest"), 0, "line 2 cannot be read"},
      {"v1.1.csv", header.substr(0, header.rfind(",changes")) + "\r\n" + row.substr(0, row.rfind(",[]")) + "\r\n", 1, ""},
      {"v1.0.csv", "source,outcome,output,reason,differences,seconds,digest,finished,size,modified\r\n", 0,
       "written by an earlier version of sheetwise-batch"},
      {"v1.0.jsonl", "{\"source\":\"/d/a.xls\",\"outcome\":\"processed\",\"digest\":\"00ff\"}\n", 0,
       "written by an earlier version of sheetwise-batch"},
  };
  for (const auto& c : cases) {
    const fs::path path = dir.path() / c.name;
    std::ofstream(path, std::ios::binary) << c.text;
    try {
      EXPECT_EQ(ReadReport(path).rows.size(), c.rows) << c.name;
      EXPECT_TRUE(c.refusal.empty()) << c.name << " was read";
    } catch (const ReportUnreadable& e) {
      EXPECT_FALSE(c.refusal.empty()) << c.name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

// Killed part-way with two offices (which end with it), then resumed: each workbook edited once,
// one row each, and the killed run's hidden saving folder cleared.
TEST(Resume, AnInPlaceRunKilledPartWayAndResumedEditsEachWorkbookOnce) {
  TempDir dir;
  const Lines books = MakeTree(dir, 24);  // still at work well after its second row
  const std::string report = dir / "r.csv";
  auto killed = test::StartProgram(SHEETWISE_BATCH_BINARY, InPlace(dir, report, {"--jobs", "2"}), false);
  for (int i = 0; i < 6000 && CountOf(test::ReadFile(report), "\r\n") < 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
  std::map<std::string, int> rowsOf;
  for (const auto& row : rows) ++rowsOf[row.source];
  for (const auto& book : books) EXPECT_EQ(rowsOf[book], 1) << book;
  EXPECT_EQ(rows.size(), books.size());
  EXPECT_EQ(CountOf(test::ReadFile(report), "source,outcome"), 1u);
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
}

// A changed workbook or rule list is done again, the report growing by each run's rows; a
// replacement only the save journal holds (killed before its row) is not edited again.
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

  auto rows = ReadReport(report).rows;
  const int expected[] = {0, 1, 2, 1, 0, 1, 2};
  ASSERT_EQ(rows.size(), std::size(expected));
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(std::pair(rows[i].source, rows[i].outcome), std::pair(books[expected[i]], ReportOutcome::Processed));
  EXPECT_NE(rows[4].digest, rows[0].digest);

  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
  fs::rename(report, JournalPathOf(report));  // as the journal wrote them before each replacement
  std::ofstream(report, std::ios::trunc).flush();
  const auto resumed = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("3 workbooks that " + report + " lists as done are skipped"), std::string::npos)
      << resumed.err;
  for (const auto& book : books) EXPECT_EQ(HeaderRow(book), 3) << book;
  rows = ReadReport(report).rows;
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows)
    EXPECT_TRUE(row.outcome == ReportOutcome::Skipped && row.reason.starts_with("already processed at ")) << row.reason;
  EXPECT_FALSE(fs::exists(JournalPathOf(report)));
}

// A done workbook is known by content: touched, renamed or copied away and back, none is edited
// again, no row is written twice; an open quote in a middle row refuses the resume, editing nothing.
TEST(Resume, ADoneWorkbookIsKnownByItsContentWhateverItsNameOrTime) {
  TempDir dir;
  const Lines books = MakeTree(dir, 4);
  fs::create_symlink("nowhere.xls", dir / "src/gone.xls");
  const std::string report = dir / "r.csv";
  ASSERT_EQ(test::RunBatch(InPlace(dir, report)).status, 0);
  fs::last_write_time(books[0], fs::last_write_time(books[0]) + std::chrono::hours(1));
  const std::string renamed = dir / "src/renamed.xls";
  fs::rename(books[1], renamed);
  const std::string src = dir / "src", away = dir / "away";  // copied away and back: new files, new times
  const std::string copied = "cp -r '" + src + "' '" + away + "' && rm -r '" + src + "' && cp -r '" + away + "' '";
  ASSERT_EQ(std::system((copied + src + "'").c_str()), 0);
  const std::string added = test::CopyExample(dir, "src/added.xls");
  for (int run = 0; run < 2; ++run) {
    const auto resumed = test::RunBatch(InPlace(dir, report, {"--resume", report}));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    const std::string skipped = std::to_string(run == 0 ? 4 : 5) + " workbooks that " + report;
    EXPECT_NE(resumed.err.find(skipped), std::string::npos) << resumed.err;
    for (const auto& book : {books[0], renamed, books[2], books[3], added}) EXPECT_EQ(HeaderRow(book), 2) << book;
    const auto rows = ReadReport(report).rows;
    ASSERT_EQ(rows.size(), 7u) << test::ReadFile(report);
    EXPECT_EQ(rows[0].source, dir / "src/gone.xls");
    EXPECT_EQ(std::pair(rows[5].source, rows[5].outcome), std::pair(renamed, ReportOutcome::Skipped));
    EXPECT_EQ(std::pair(rows[6].source, rows[6].outcome), std::pair(added, ReportOutcome::Processed));
  }

  std::string text = test::ReadFile(report);
  const size_t second = text.find("\r\n" + books[2] + ",processed,");
  ASSERT_NE(second, std::string::npos) << text;
  text.insert(text.find(",processed,", second) + 11, "\"");  // a quote opened before the output
  std::ofstream(report, std::ios::binary | std::ios::trunc) << text;
  const auto before = test::FileBytes(dir.path());
  const auto refused = test::RunBatch(InPlace(dir, report, {"--resume", report}));
  EXPECT_EQ(refused.status, 2);
  // The quote ends inside a later row's changes, or runs to the end: either way its line is named.
  EXPECT_NE(refused.err.find("line 5"), std::string::npos) << refused.err;
  EXPECT_EQ(test::FileBytes(dir.path()), before);
}

}  // namespace
}  // namespace sheetwise::batch

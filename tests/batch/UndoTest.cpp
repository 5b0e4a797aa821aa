// Taking in-place runs back: originals kept as hard links or copies, put back
// byte for byte by --undo; undos of generated runs, one stopped by SIGKILL.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <tuple>

#include "BatchRun.h"
#include "TestPaths.h"
#include "cli/KeptOriginals.h"
#include "cli/ReportReader.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Lines = std::vector<std::string>;

// A file as the user sees it: bytes, mode and time of last change (inode apart).
struct FileState {
  std::string bytes;
  mode_t mode = 0;
  timespec modified{};
  ino_t inode = 0;
  bool operator==(const FileState& o) const {
    return std::tie(bytes, mode, modified.tv_sec, modified.tv_nsec) ==
           std::tie(o.bytes, o.mode, o.modified.tv_sec, o.modified.tv_nsec);
  }
};

FileState StateOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return {test::ReadFile(path), info.st_mode & 07777, info.st_mtim, info.st_ino};
}

// A scratch folder on /dev/shm; path() is empty unless it is another file system than other's.
struct OtherFileSystemDir {
  std::string made = "/dev/shm/sheetwise-undo-XXXXXX";
  explicit OtherFileSystemDir(const fs::path& other) {
    struct stat here {}, there {};
    if (!::mkdtemp(made.data())) made.clear();
    if (!made.empty() && ::stat(made.c_str(), &here) == 0 && ::stat(other.c_str(), &there) == 0)
      apart = here.st_dev != there.st_dev;
  }
  ~OtherFileSystemDir() {
    std::error_code ec;
    if (!made.empty()) fs::remove_all(made, ec);
  }
  std::string path() const { return apart ? made : ""; }
  bool apart = false;
};

// Writes rules.txt inserting a first row; an in-place run over dir/src with extra options.
Lines InPlace(const TempDir& dir, const Lines& extra) {
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  return test::Plus({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place"}, extra);
}

// InPlace reporting to dir/r.csv.
Lines Reported(const TempDir& dir, Lines extra = {}) {
  extra.insert(extra.begin(), {"--types", "xls,xlsx", "--log", dir / "log", "--report", dir / "r.csv"});
  return InPlace(dir, extra);
}

// Kept as links, as copies on another file system, or not at all: each undo puts back every
// workbook byte for byte with mode and time, leaves one edited since, and --forget removes the rest.
TEST(Undo, InPlaceRunPutBackByteForByteAndAWorkbookEditedSinceIsLeft) {
  for (const std::string mode : {"links", "none", "copies"}) {  // copies last: skipped without a second file system
    SCOPED_TRACE(mode);
    TempDir dir;
    const Lines books = {test::CopyExample(dir, "src/a.xls"), test::CopyExample(dir, "src/sub/b.xls"),
                         dir.copyFixture("sheets.xlsx", "src/sub/c.xlsx")};
    ::chmod(books[1].c_str(), 0604);
    std::map<std::string, FileState> before;
    for (const auto& book : books) before[book] = StateOf(book);
    Lines extra = mode == "none" ? Lines{"--no-backup"} : Lines{};
    std::string runFolder = dir / "r.originals";
    OtherFileSystemDir shm(dir.path());
    if (mode == "copies") {
      if (shm.path().empty()) GTEST_SKIP() << "no other file system to keep copies on";
      extra = {"--backup", shm.path()};
      runFolder = shm.path() + "/r.originals";
    }
    const auto run = test::RunBatch(Reported(dir, extra));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = ReadReport(dir / "r.csv").rows;
    ASSERT_EQ(rows.size(), books.size());
    for (const auto& row : rows) {
      EXPECT_NE(test::ReadFile(row.source), before[row.source].bytes) << row.source;
      if (mode == "none") {
        EXPECT_EQ(row.original, "");
        continue;
      }
      ASSERT_EQ(row.original, runFolder + row.source.substr((dir / "src").size())) << row.source;
      const FileState kept = StateOf(row.original);  // the replaced file itself, or a copy of bytes and time
      EXPECT_EQ(kept, before[row.source]) << row.original;
      EXPECT_EQ(kept.inode == before[row.source].inode, mode == "links") << row.original;
      EXPECT_EQ(fs::hard_link_count(row.source), 1u) << row.source;
    }
    EXPECT_EQ(fs::exists(runFolder), mode != "none");
    if (mode == "none") continue;

    std::ofstream(books[2], std::ios::app) << "the user's own bytes";  // edited after the run
    const FileState edited = StateOf(books[2]);
    for (int undo = 1; undo <= 2; ++undo) {
      SCOPED_TRACE("undo " + std::to_string(undo));
      const auto result = test::RunBatch({"--undo", dir / "r.csv"});
      EXPECT_EQ(result.status, 1) << result.err;  // one workbook is not put back
      const std::string counts = undo == 1 ? "2 put back, 0" : "0 put back, 2";
      EXPECT_NE(result.err.find(counts + " held their original already, 1 changed since the run"), std::string::npos);
      EXPECT_NE(result.err.find(books[2] + "  (changed since the run"), std::string::npos) << result.err;
      for (const int i : {0, 1}) EXPECT_EQ(StateOf(books[i]), before[books[i]]);
      EXPECT_EQ(StateOf(books[2]), edited);
      std::map<std::string, ReportOutcome> undone;
      for (const auto& row : ReadReport(dir / "r.undo.csv").rows) undone[row.source] = row.outcome;
      const ReportOutcome put = undo == 1 ? ReportOutcome::Processed : ReportOutcome::Skipped;
      EXPECT_EQ(undone, (std::map<std::string, ReportOutcome>{
                            {books[0], put}, {books[1], put}, {books[2], ReportOutcome::Skipped}}));
    }
    EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
    const auto forget = test::RunBatch({"--forget", dir / "r.csv"});
    EXPECT_EQ(forget.status, 0) << forget.err;
    EXPECT_NE(forget.err.find("3 originals removed"), std::string::npos) << forget.err;
    EXPECT_FALSE(fs::exists(runFolder));
    EXPECT_EQ(StateOf(books[0]), before[books[0]]);
  }
}

// A killed run's leftover second link to an original is taken back on resume and the original kept
// anew; a workbook whose save fails (protected sheet) keeps nothing.
TEST(Undo, AResumedRunTakesBackTheLinkAKilledRunLeft) {
  TempDir dir;
  const std::string book = test::CopyExample(dir, "src/a.xls");
  const std::string refused = dir.copyFixture("protected.xls", "src/protected.xls");
  const FileState before = StateOf(book);
  fs::create_directories(dir.path() / "r.originals");
  std::ofstream(dir / "r.originals/.sheetwise-originals") << "sheetwise run folder\n";
  fs::create_hard_link(book, dir / "r.originals/a.xls");
  std::ofstream(dir / "r.csv").flush();
  ASSERT_EQ(test::RunBatch(Reported(dir, {"--resume", dir / "r.csv"})).status, 1);
  EXPECT_NE(test::ReadFile(book), before.bytes);
  EXPECT_EQ(StateOf(dir / "r.originals/a.xls"), before);
  EXPECT_FALSE(fs::exists(dir / "r.originals/protected.xls"));
  EXPECT_EQ(fs::hard_link_count(refused), 1u);
  ASSERT_EQ(test::RunBatch({"--undo", dir / "r.csv"}).status, 0);
  EXPECT_EQ(StateOf(book), before);
  EXPECT_EQ(test::ReadFile(refused), test::ReadFile(test::Fixture("protected.xls")));
}

// Without --report an in-place run still writes one beside the log, names it, and it can be undone.
TEST(Undo, WithoutAReportTheRunWritesOneBesideTheLog) {
  TempDir dir;
  const std::string book = test::CopyExample(dir, "src/a.xls");
  const FileState before = StateOf(book);
  fs::create_directories(dir.path() / "logs");
  const auto run = test::RunBatch(InPlace(dir, {"--log", dir / "logs/log"}));
  ASSERT_EQ(run.status, 0) << run.err;
  Lines reports;
  for (const auto& entry : fs::directory_iterator(dir.path() / "logs"))
    if (entry.path().extension() == ".csv") reports.push_back(entry.path().string());
  ASSERT_EQ(reports.size(), 1u) << dir.listing();
  EXPECT_TRUE(fs::path(reports[0]).filename().string().starts_with("sheetwise-in-place-"));
  EXPECT_NE(run.err.find("--undo " + reports[0]), std::string::npos) << run.err;
  ASSERT_EQ(test::RunBatch({"--undo", reports[0]}).status, 0);
  EXPECT_EQ(StateOf(book), before);
}

// Kept files are never written over, linked or copied: same bytes kept again are taken, other bytes
// go to the next replacement's folder; a folder still holding a kept file is not removed.
TEST(KeptOriginals, KeptFilesAreNeverWrittenOver) {
  for (const KeepBy by : {KeepBy::LinkOrCopy, KeepBy::Copy}) {
    TempDir dir;
    fs::create_directories(dir.path() / "src/sub");
    const std::string source = dir / "src/sub/a.xls";
    std::ofstream(source) << "first";
    KeptOriginals kept(dir.path() / "run", (dir / "src") + "/", by);
    kept.open();
    const std::string first = kept.keep(source);
    EXPECT_EQ(first, dir / "run/sub/a.xls");
    EXPECT_EQ(fs::equivalent(first, source), by == KeepBy::LinkOrCopy);
    EXPECT_EQ(kept.keep(source), first);
    fs::remove(source);
    std::ofstream(source) << "second";
    EXPECT_EQ(kept.keep(source), dir / "run/.replaced-2/sub/a.xls");
    EXPECT_EQ(test::ReadFile(first), "first");
    kept.forgetUnreplaced(source);  // its save failed
    EXPECT_FALSE(fs::exists(dir / "run/.replaced-2/sub/a.xls"));
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(RemoveRunFolderIfEmpty(dir.path() / "run"));
  }
}

// Options that clash, and run folders that cannot take originals, are refused before anything is
// touched; an earlier run's originals inside the tree are never taken for sources; an old report is read.
TEST(UndoOptions, RefusedCombinationsAndRunFoldersOfEarlierRuns) {
  TempDir dir;
  const auto with = [&](const Lines& extra) { return InPlace(dir, extra); };
  test::CopyExample(dir, "src/a.xls");
  test::CopyExample(dir, "src/old.originals/a.xls");
  test::CopyExample(dir, "x.originals/src/b.xls");
  fs::create_directories(dir.path() / "busy.originals");
  for (const char* folder : {"src/old.originals", "busy.originals"})
    std::ofstream(dir / folder + "/.sheetwise-originals") << "sheetwise run folder\n";
  std::ofstream(dir / "r.csv") << kReportCsvHeader << "\r\n";
  const std::string report = dir / "r.csv";
  const std::pair<Lines, std::string> cases[] = {
      {{"--undo", report, "--source", dir / "src"}, "--undo REPORT takes no other options than --report FILE and --quiet"},
      {{"--undo", report, "--forget", report}, "give either --undo REPORT or --forget REPORT"},
      {{"--undo", report, "--report", report}, "would write over the report of the run it takes back"},
      {{"--undo", dir / "none.csv"}, "--undo: " + dir / "none.csv" + " does not exist"},
      {with({"--backup", dir / "b", "--no-backup"}), "give either --backup DIR or --no-backup"},
      {with({"--report", dir / "busy.csv"}), dir / "busy.originals" + " holds the originals of an earlier run"},
      {{"--source", dir / "src/old.originals", "--rules", dir / "rules.txt", "--in-place", "--no-backup"},
       "holds originals an in-place run kept, which are not edited"},
      {{"--source", dir / "x.originals/src", "--rules", dir / "rules.txt", "--in-place", "--report", dir / "x.csv"},
       "x.originals, which holds other files"},
  };
  for (const auto& [args, message] : cases) {
    const auto result = test::RunBatch(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
  }
  const auto dry = test::RunBatch(with({"--report", report, "--dry-run"}));
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out, dir / "src/a.xls\t" + dir / "src/a.xls\n");

  // A report written before originals were kept is read as keeping none: nothing to put back.
  std::ofstream(dir / "old.csv") << "source,outcome,output,reason,differences,seconds,digest,finished,size,modified,"
                                    "sha256\r\n/d/a.xls,processed,/d/a.xls,,,0.50,00ff,,,,\r\n";
  const auto undo = test::RunBatch({"--undo", dir / "old.csv"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_NE(undo.err.find("0 put back"), std::string::npos) << undo.err;
}

// A generated run of n workbooks: each source holds what "the run wrote", its kept original other
// bytes; number 5's original is named outside the run folder.
std::map<std::string, std::string> GeneratedRun(const TempDir& dir, int n, const std::string& report) {
  std::map<std::string, std::string> originals;
  RunReport rows(report);
  for (int i = 0; i < n; ++i) {
    const std::string name = "d" + std::to_string(i % 10) + "/" + std::to_string(i) + ".xls";
    const fs::path source = dir.path() / "src" / name;
    const fs::path kept = dir.path() / (i == 5 ? "elsewhere" : "r.originals") / name;
    fs::create_directories(source.parent_path());
    fs::create_directories(kept.parent_path());
    std::ofstream(source) << "written by the run " << i;
    std::ofstream(kept) << "original " << i;
    originals[source.string()] = "original " + std::to_string(i);
    rows.add({source.string(), ReportOutcome::Processed, source.string(), "", {}, 0, "0123456789abcdef",
              "2026-12-08 10:00:00", StampOf(source), Sha256Of(source), kept.string()});
  }
  std::ofstream(dir / "r.originals/.sheetwise-originals") << "sheetwise run folder\n";
  return originals;
}

// An undo killed part-way, run again, puts back the rest; a missing original and one named outside
// the run folder fail their workbooks alone.
TEST(Undo, KilledPartWayAndRunAgainPutsBackTheRest) {
  TempDir dir;
  const std::string report = dir / "r.csv";
  const auto originals = GeneratedRun(dir, 400, report);
  fs::remove(dir / "r.originals/d3/3.xls");
  auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, {"--undo", report, "--quiet"}, false);
  for (int wait = 0; wait < 2000; ++wait) {  // killed once the undo's report has some rows
    std::error_code ec;
    if (fs::file_size(dir / "r.undo.csv", ec) > 20000 && !ec) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(program.pid, SIGKILL);
  test::WaitForExit(program.pid);
  const auto again = test::RunBatch({"--undo", report, "--quiet"});
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_NE(again.err.find("2 failed"), std::string::npos) << again.err;
  size_t putBack = 0;
  for (const auto& row : ReadReport(dir / "r.undo.csv").rows) putBack += row.outcome == ReportOutcome::Processed;
  EXPECT_LT(putBack, 399u) << "the killed undo put back none";
  for (const auto& [source, original] : originals) {
    const bool failed = source == dir / "src/d3/3.xls" || source == dir / "src/d5/5.xls";
    ASSERT_EQ(test::ReadFile(source), failed ? "written by the run " + source.substr(source.size() - 5, 1) : original)
        << source;
  }
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty()) << dir.listing();
}

}  // namespace
}  // namespace sheetwise::batch

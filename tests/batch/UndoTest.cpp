// Taking in-place runs back: real runs through the office, their originals kept
// as hard links or as copies, put back byte for byte by --undo; and undos of
// generated runs (no office), one stopped by SIGKILL part-way.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "BatchRun.h"
#include "TestPaths.h"
#include "cli/KeptOriginals.h"
#include "cli/ReportReader.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::CountOf;
using test::TempDir;
using Lines = std::vector<std::string>;

// A file as the user sees it: its bytes, mode and time of last change.
struct FileState {
  std::string bytes;
  mode_t mode = 0;
  timespec modified{};
  ino_t inode = 0;
  bool operator==(const FileState& o) const {
    return bytes == o.bytes && mode == o.mode && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

FileState StateOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return {test::ReadFile(path), info.st_mode & 07777, info.st_mtim, info.st_ino};
}

// A scratch folder on /dev/shm, another file system than the test's own folder.
class OtherFileSystemDir {
 public:
  OtherFileSystemDir() {
    std::string pattern = "/dev/shm/sheetwise-undo-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~OtherFileSystemDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  OtherFileSystemDir(const OtherFileSystemDir&) = delete;
  OtherFileSystemDir& operator=(const OtherFileSystemDir&) = delete;
  // Empty when it could not be made or is on the same file system as other.
  std::string pathApartFrom(const fs::path& other) const {
    struct stat here {}, there {};
    if (path_.empty() || ::stat(path_.c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0) return "";
    return here.st_dev == there.st_dev ? "" : path_;
  }

 private:
  std::string path_;
};

Lines InPlace(const TempDir& dir, Lines extra = {}) {
  Lines args = {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--types", "xls,xlsx",
                "--log", dir / "log", "--report", dir / "r.csv"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Kept as hard links, as copies on another file system, and not at: a run in
// place, a workbook the user edits afterwards, an undo, a second undo, and
// forgetting the run. Every other workbook is back byte for byte, with its mode
// and time; the edited one is left and said to be.
TEST(Undo, InPlaceRunPutBackByteForByteAndAWorkbookEditedSinceIsLeft) {
  OtherFileSystemDir shm;
  for (const std::string mode : {"links", "none", "copies"}) {  // copies last: skipped without a second file system
    SCOPED_TRACE(mode);
    TempDir dir;
    std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
    const Lines books = {test::CopyExample(dir, "src/a.xls"), test::CopyExample(dir, "src/sub/b.xls"),
                         dir.copyFixture("sheets.xlsx", "src/sub/c.xlsx")};
    ::chmod(books[1].c_str(), 0604);
    std::map<std::string, FileState> before;
    for (const auto& book : books) before[book] = StateOf(book);
    Lines extra;
    std::string runFolder = dir / "r.originals";
    if (mode == "copies") {
      const std::string other = shm.pathApartFrom(dir.path());
      if (other.empty()) GTEST_SKIP() << "no other file system to keep copies on";
      extra = {"--backup", other};
      runFolder = other + "/r.originals";
    }
    if (mode == "none") extra = {"--no-backup"};

    const auto run = test::RunBatch(InPlace(dir, extra));
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
      // The kept file is the replaced one itself, or a copy of its bytes and time.
      const FileState kept = StateOf(row.original);
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
      EXPECT_NE(result.err.find(undo == 1 ? "2 put back, 0 held their original already, 1 changed since the run"
                                          : "0 put back, 2 held their original already, 1 changed since the run"),
                std::string::npos)
          << result.err;
      EXPECT_NE(result.err.find(books[2] + "  (changed since the run"), std::string::npos) << result.err;
      EXPECT_EQ(StateOf(books[0]), before[books[0]]);
      EXPECT_EQ(StateOf(books[1]), before[books[1]]);
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

// A run killed after it linked a workbook's original but before it replaced
// the workbook leaves a second link to it, which saving in place refuses: the
// resumed run removes it and keeps the original anew. A workbook whose save
// fails (a protected sheet) keeps nothing.
TEST(Undo, AResumedRunTakesBackTheLinkAKilledRunLeft) {
  TempDir dir;
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  const std::string book = test::CopyExample(dir, "src/a.xls");
  const std::string refused = dir.copyFixture("protected.xls", "src/protected.xls");
  const FileState before = StateOf(book);
  fs::create_directories(dir.path() / "r.originals");
  std::ofstream(dir / "r.originals/.sheetwise-originals") << "sheetwise run folder\n";
  fs::create_hard_link(book, dir / "r.originals/a.xls");
  std::ofstream(dir / "r.csv").flush();
  const auto run = test::RunBatch(InPlace(dir, {"--resume", dir / "r.csv"}));
  ASSERT_EQ(run.status, 1) << run.err;
  EXPECT_NE(test::ReadFile(book), before.bytes);
  EXPECT_EQ(StateOf(dir / "r.originals/a.xls"), before);
  EXPECT_FALSE(fs::exists(dir / "r.originals/protected.xls"));
  EXPECT_EQ(fs::hard_link_count(refused), 1u);
  ASSERT_EQ(test::RunBatch({"--undo", dir / "r.csv"}).status, 0);
  EXPECT_EQ(StateOf(book), before);
  EXPECT_EQ(test::ReadFile(refused), test::ReadFile(test::Fixture("protected.xls")));
}

// Without --report, an in-place run writes its report beside the log and names it.
TEST(Undo, WithoutAReportTheRunWritesOneBesideTheLog) {
  TempDir dir;
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  const std::string book = test::CopyExample(dir, "src/a.xls");
  const FileState before = StateOf(book);
  fs::create_directories(dir.path() / "logs");
  const auto run = test::RunBatch(
      {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "logs/log"});
  ASSERT_EQ(run.status, 0) << run.err;
  Lines reports;
  for (const auto& entry : fs::directory_iterator(dir.path() / "logs")) {
    if (entry.path().extension() == ".csv") reports.push_back(entry.path().string());
  }
  ASSERT_EQ(reports.size(), 1u) << dir.listing();
  EXPECT_TRUE(fs::path(reports[0]).filename().string().starts_with("sheetwise-in-place-"));
  EXPECT_NE(run.err.find("--undo " + reports[0]), std::string::npos) << run.err;
  ASSERT_EQ(test::RunBatch({"--undo", reports[0]}).status, 0);
  EXPECT_EQ(StateOf(book), before);
}

// What a run keeps is never written over, whichever way the files are kept:
// the same bytes kept again are taken, other bytes of the same workbook go to
// the next replacement's folder; a run folder already in use is refused.
TEST(KeptOriginals, KeptFilesAreNeverWrittenOver) {
  for (const KeepBy by : {KeepBy::LinkOrCopy, KeepBy::Copy}) {
    TempDir dir;
    fs::create_directories(dir.path() / "src/sub");
    std::ofstream(dir / "src/sub/a.xls") << "first";
    const std::string source = dir / "src/sub/a.xls";
    KeptOriginals kept(dir.path() / "run", (dir / "src") + "/", by);
    kept.open();
    EXPECT_EQ(RunFolderProblem(dir.path() / "run", true), std::nullopt);
    EXPECT_NE(RunFolderProblem(dir.path() / "run", false), std::nullopt);
    const std::string first = kept.keep(source);
    EXPECT_EQ(first, dir / "run/sub/a.xls");
    EXPECT_EQ(fs::equivalent(first, source), by == KeepBy::LinkOrCopy);
    EXPECT_EQ(kept.keep(source), first);  // the same bytes: taken
    fs::remove(source);
    std::ofstream(source) << "second";
    EXPECT_EQ(kept.keep(source), dir / "run/.replaced-2/sub/a.xls");
    EXPECT_EQ(test::ReadFile(first), "first");
    kept.forgetUnreplaced(source);  // its save failed
    EXPECT_FALSE(fs::exists(dir / "run/.replaced-2/sub/a.xls"));
    EXPECT_TRUE(fs::exists(first));
    EXPECT_FALSE(RemoveRunFolderIfEmpty(dir.path() / "run"));
  }
  TempDir dir;
  fs::create_directories(dir.path() / "busy");
  std::ofstream(dir / "busy/x") << "x";
  EXPECT_NE(RunFolderProblem(dir.path() / "busy", false), std::nullopt);
  EXPECT_EQ(RunFolderProblem(dir.path() / "missing", false), std::nullopt);
}

// Options that cannot go together, and run folders that cannot take a run's
// originals, refused before anything is touched; the originals an earlier run
// keeps inside the tree are never taken for sources.
TEST(UndoOptions, RefusedCombinationsAndRunFoldersOfEarlierRuns) {
  TempDir dir;
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  test::CopyExample(dir, "src/a.xls");
  test::CopyExample(dir, "src/old.originals/a.xls");
  std::ofstream(dir / "src/old.originals/.sheetwise-originals") << "sheetwise run folder\n";
  fs::create_directories(dir.path() / "busy.originals");
  std::ofstream(dir / "busy.originals/.sheetwise-originals") << "sheetwise run folder\n";
  test::CopyExample(dir, "x.originals/src/b.xls");
  std::ofstream(dir / "r.csv") << kReportCsvHeader << "\r\n";
  const std::string report = dir / "r.csv";
  const Lines inPlace = {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place"};
  const auto with = [&](Lines extra) {
    Lines args = inPlace;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  const std::pair<Lines, std::string> cases[] = {
      {{"--undo", report, "--source", dir / "src"},
       "--undo REPORT takes no other options than --report FILE and --quiet"},
      {{"--forget", report, "--quiet"}, "--forget REPORT takes no other options"},
      {{"--undo", report, "--forget", report}, "give either --undo REPORT or --forget REPORT"},
      {{"--undo", report, "--report", report}, "would write over the report of the run it takes back"},
      {{"--undo", dir / "none.csv"}, "--undo: " + dir / "none.csv" + " does not exist"},
      {{"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--no-backup"},
       "--backup and --no-backup go with --in-place only"},
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
}

// A report written before originals were kept is read as one that keeps none.
TEST(UndoReport, AReportWithoutTheOriginalColumnIsRead) {
  TempDir dir;
  std::ofstream(dir / "r.csv") << "source,outcome,output,reason,differences,seconds,digest,finished,size,modified,"
                                  "sha256\r\n/d/a.xls,processed,/d/a.xls,,,0.50,00ff,,,,\r\n";
  const auto rows = ReadReport(dir / "r.csv").rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].source, "/d/a.xls");
  EXPECT_EQ(rows[0].original, "");
  const auto undo = test::RunBatch({"--undo", dir / "r.csv"});
  EXPECT_EQ(undo.status, 0) << undo.err;
  EXPECT_NE(undo.err.find("0 put back"), std::string::npos) << undo.err;
}

// n workbooks of a run that was never made: each source holds what "the run
// wrote", its kept original other bytes; the report, CSV, names each.
std::map<std::string, std::string> GeneratedRun(const TempDir& dir, int n, const std::string& report) {
  std::map<std::string, std::string> originals;
  RunReport rows(report);
  for (int i = 0; i < n; ++i) {
    const std::string name = "d" + std::to_string(i % 10) + "/" + std::to_string(i) + ".xls";
    const fs::path source = dir.path() / "src" / name;
    const fs::path kept = dir.path() / (i == 5 ? "elsewhere" : "r.originals") / name;  // 5: named by a bad report
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

// An undo killed part-way, run again, puts back the rest; one original gone,
// and one named outside the run folder, fail their workbooks alone.
TEST(Undo, KilledPartWayAndRunAgainPutsBackTheRest) {
  TempDir dir;
  const std::string report = dir / "r.csv";
  const auto originals = GeneratedRun(dir, 400, report);
  fs::remove(dir / "r.originals/d3/3.xls");
  auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, {"--undo", report, "--quiet"}, false);
  // Killed once the undo's report has some rows.
  for (int wait = 0; wait < 2000; ++wait) {
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
    if (source == dir / "src/d3/3.xls" || source == dir / "src/d5/5.xls") {
      EXPECT_EQ(test::ReadFile(source), "written by the run " + source.substr(source.size() - 5, 1));
    } else {
      ASSERT_EQ(test::ReadFile(source), original) << source;
    }
  }
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty()) << dir.listing();
}

}  // namespace
}  // namespace sheetwise::batch

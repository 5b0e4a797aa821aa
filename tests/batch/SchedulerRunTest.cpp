// The batch command as a cluster's scheduler runs it: exit statuses, quiet logs,
// merged reports, in-place saving on a shared volume another user owns.

#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

#include "BatchRun.h"
#include "ChildProcess.h"
#include "TestPaths.h"
#include "Unprivileged.h"
#include "XlsSnapshot.h"
#include "cli/BatchCommand.h"
#include "cli/RunReport.h"
#include "host/OfficeProcess.h"
#include "host/ProcFs.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::Plus;
using test::ReadFile;
using test::RunBatch;
using test::SplitLines;

// SIGKILLs this process's offices once a hidden saving folder appears in folder; true when it did.
bool KillOfficesDuringASave(const fs::path& folder, const std::atomic<bool>& done) {
  const std::string pipe = "pipe,name=" + std::string(host::kPipeNamePrefix) + std::to_string(::getpid()) + "-";
  while (!done) {
    if (!test::HiddenSaveFolders(folder).empty()) {
      bool killed = false;
      for (const auto& process : host::ListProcesses())
        for (const auto& arg : process.arguments)
          if (arg.find(pipe) != std::string::npos) killed = ::kill(process.pid, SIGKILL) == 0 || killed;
      return killed;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// The single-instance socket in /tmp of an office on the profile at folder: the MD5 of the
// profile's URL in UTF-16, bytes in hex without leading zeros (worked out apart, with Python).
fs::path SingleInstanceSocketOf(const fs::path& folder) {
  const std::string command = "python3 -c \"import hashlib, sys; print(''.join('%x' % b for b in "
                              "hashlib.md5(sys.argv[1].encode('utf-16-le')).digest()))\" 'file://" +
                              folder.string() + "'";
  std::string hex(64, '\0');
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  hex.resize(std::fread(hex.data(), 1, hex.size(), pipe));
  ::pclose(pipe);
  while (!hex.empty() && hex.back() == '\n') hex.pop_back();
  return "/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_SingleOfficeIPC_" + hex;
}

// The arguments saving root/src edited by root/rules.txt to root/out.
Lines SaveArgs(const std::string& root) {
  return {"--source", root + "/src", "--rules", root + "/rules.txt", "--save", root + "/out", "--log", root + "/l.log"};
}

// Makes dir/src/a.xls and dir/rules.txt; SaveArgs of dir.
Lines SaveRun(const test::TempDir& dir) {
  dir.copyFixture("sheets.xls", "src/a.xls");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n";
  return SaveArgs(dir.path());
}

// A run's office leaves no single-instance socket in /tmp once the run ends.
TEST(OfficeEnd, LeavesNothingInTmp) {
  test::TempDir dir;
  const Lines args = SaveRun(dir);
  const fs::path socket = SingleInstanceSocketOf(dir.path() / "cache/office-profiles/slot-0");
  std::atomic<bool> done{false};
  bool seen = false;
  std::thread watcher([&] {
    while (!done && !seen) {
      seen = fs::exists(socket);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  host::HostOptions ownProfiles;
  ownProfiles.cacheRoot = dir.path() / "cache";
  const auto run = RunBatch(Plus(args, {"--jobs", "1"}), ownProfiles);
  done = true;
  watcher.join();
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_TRUE(seen) << "the office's socket was never seen at " << socket;
  EXPECT_FALSE(fs::exists(socket));
}

// run()'s status and messages, in a child with its own mount namespace where make has mounted;
// "cannot mount" when that is not allowed here.
std::string InOwnMounts(const std::string& make, const std::function<test::BatchResult()>& run) {
  return test::InChildProcess([&] {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        std::system((make + " 2>/dev/null").c_str()) != 0) {
      return std::string("cannot mount");
    }
    const auto result = run();
    return std::to_string(result.status) + "\n" + result.err;
  });
}

// A read-only folder the office needs is named, and the run ends with 1 (another try meets it again).
TEST(ReadOnlyRoot, TheFolderThatCannotBeWrittenIsNamed) {
  test::TempDir dir;
  SaveRun(dir);
  const std::string cache = dir / "cache";
  fs::create_directories(cache + "/office-profiles");
  fs::permissions(cache, fs::perms::owner_all);
  fs::permissions(cache + "/office-profiles", fs::perms::owner_all);
  // Under a read-only /tmp the test's folder is seen at /mnt.
  const struct {
    std::string mounts, root, said;
  } cases[] = {
      {"mount -o bind,ro '" + cache + "' '" + cache + "'", dir.path().string(),
       "the office's working folder cannot be made (the disk holding " + cache + "/office-profiles can only be read)"},
      {"mount --bind '" + dir.path().string() + "' /mnt && mount -t tmpfs -o ro tmpfs /tmp && "
       "mount -t tmpfs -o ro tmpfs /var/tmp",
       "/mnt",
       "the office makes its connection in /tmp (or /var/tmp), and neither can be written (the disk holding /tmp "
       "can only be read)"},
  };
  for (const auto& c : cases) {
    host::HostOptions options;
    options.cacheRoot = c.root + "/cache";
    const std::string said = InOwnMounts(c.mounts, [&] { return RunBatch(SaveArgs(c.root), options); });
    if (said == "cannot mount") GTEST_SKIP() << "a mount namespace of its own is not allowed here";
    EXPECT_EQ(said.rfind("1\n", 0), 0u) << said;
    EXPECT_NE(said.find("LibreOffice could not be started: " + c.said), std::string::npos) << said;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

// 75 (worth trying again) when the office is killed mid-save, leaving the workbook whole, or ends
// at start; 1 for failures another try meets again is checked with the quiet log below.
TEST(ExitStatus, TellsAFailureWorthTryingAgainFromOneThatIsNot) {
  test::TempDir dir;
  std::ofstream(dir / "rules.txt") << "1|C|edited\n";
  // The office killed while it writes the workbook.
  dir.copyFixture("large.xls", "killed/big.xls");
  std::atomic<bool> done{false};
  bool killed = false;
  std::thread killer([&] { killed = KillOfficesDuringASave(dir.path() / "killed", done); });
  const auto crashed = RunBatch({"--source", dir / "killed", "--rules", dir / "rules.txt", "--in-place", "--log",
                                 dir / "l.log", "--report", dir / "r.csv"});
  done = true;
  killer.join();
  ASSERT_TRUE(killed) << "the save ended before the office could be killed: " << crashed.err;
  EXPECT_EQ(crashed.status, 75) << crashed.err;
  EXPECT_NE(crashed.err.find("the office ended while trying to"), std::string::npos) << crashed.err;
  EXPECT_EQ(ReadFile(dir / "killed/big.xls"), ReadFile(test::Fixture("large.xls")));
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());

  // An office that ends as soon as it is started.
  fs::create_directories(dir.path() / "office/program");
  std::ofstream(dir / "office/program/soffice") << "#!/bin/sh\nexit 1\n";
  fs::permissions(dir / "office/program/soffice", fs::perms::owner_all);
  host::HostOptions ending;
  ending.officeProgramDir = dir.path() / "office/program";
  const auto started = RunBatch(
      {"--source", dir / "killed", "--rules", dir / "rules.txt", "--save", dir / "out", "--log", dir / "l.log"}, ending);
  EXPECT_EQ(started.status, 75) << started.err;
  EXPECT_NE(started.err.find("the office process ended as soon as it was started"), std::string::npos) << started.err;
}

// Under --quiet a failure keeps its line on standard error (a veto not); "--log -" logs there, no file.
TEST(SchedulerLog, QuietKeepsFailuresAndTheLogCanGoToStandardError) {
  test::TempDir dir;
  dir.copyFixture("sheets.xls", "src/a.xls");
  dir.copyFixture("second_active.xls", "src/b.xls");
  std::ofstream(dir / "src/c.xls") << "not a workbook at all";
  std::ofstream(dir / "rules.txt") << "1|C|edited\n{插入行}|正行|2\n";
  const Lines args{"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--quiet",
                   "--veto-row", "1", "--veto-col", "A", "--veto-value", "no such header"};
  const std::string failed = "处理异常：" + dir / "src/c.xls" + "  (";
  const std::string vetoed = "触发否决条件：<file/>";

  const auto quiet = RunBatch(Plus(args, {"--log", dir / "run.log"}));
  EXPECT_EQ(quiet.status, 1) << quiet.err;
  const Lines lines = SplitLines(quiet.err);
  ASSERT_EQ(lines.size(), 2u) << quiet.err;  // the failure, then the summary
  EXPECT_EQ(lines[0].rfind(failed, 0), 0u) << quiet.err;
  EXPECT_NE(lines[1].find("2 processed (2 vetoed), 1 failed"), std::string::npos) << quiet.err;
  EXPECT_EQ(test::CountOf(ReadFile(dir / "run.log"), vetoed), 2u);

  {
    const test::CurrentDirectory here(dir.path());
    const auto logged = RunBatch(Plus(args, {"--log", "-"}));
    EXPECT_EQ(logged.status, 1) << logged.err;
    const Lines entries = SplitLines(logged.err);
    ASSERT_EQ(entries.size(), 4u) << logged.err;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(entries[i].substr(0, 2), "20") << entries[i];  // yyyy-MM-dd HH:mm:ss, then the entry
      EXPECT_EQ(entries[i].substr(19).rfind(i < 2 ? vetoed : failed, 0), 0u) << entries[i];
    }
  }
  EXPECT_FALSE(fs::exists(dir / "-"));
  EXPECT_FALSE(fs::exists(dir / "错误日志.log"));
}

ReportRow Row(const std::string& source, ReportOutcome outcome, const std::string& reason = "") {
  return {source, outcome, "", reason, {}, 0.5};
}

// Merged reports: a workbook's row is the last that did something, never a later skip; save
// journals are left out; CSV and JSON Lines mix; what cannot be merged writes nothing.
TEST(MergeReports, TheLastRowThatDidSomethingCountsAndJournalsAreLeftOut) {
  test::TempDir dir;
  const auto write = [&](const std::string& name, const std::vector<ReportRow>& rows) {
    RunReport report(dir.path() / name);
    for (const auto& row : rows) report.add(row);
    return dir / name;
  };
  using O = ReportOutcome;
  const std::string first = write("report-1.csv", {Row("/in/a.xls", O::Processed), Row("/in/b.xls", O::Failed, "hung"),
                                                   Row("/in/c.xls", O::NotStarted, "the run was interrupted")});
  const std::string again = write("report-1.jsonl", {Row("/in/a.xls", O::Skipped, "already processed at 10:00"),
                                                     Row("/in/b.xls", O::Processed), Row("/in/c.xls", O::Vetoed)});
  const std::string second = write("report-2.jsonl", {Row("/in/d.xls", O::Failed, "damaged"),
                                                      Row("/in/e.xls", O::NotStarted), Row("/in/link.xls", O::Skipped)});
  const std::string journal = write("report-2.saving.jsonl", {Row("/in/e.xls", O::Processed)});

  const auto merged = RunBatch({"--merge-reports", dir / "all.csv", first, again, second, journal});
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_NE(merged.err.find(journal + " is a save journal, not a report: left out"), std::string::npos) << merged.err;
  EXPECT_NE(merged.err.find("3 reports merged into " + dir / "all.csv" + ": 6 workbooks"), std::string::npos)
      << merged.err;
  const Lines rows = SplitLines(ReadFile(dir / "all.csv"));
  const Lines expected = {"/in/a.xls,processed", "/in/b.xls,processed", "/in/c.xls,vetoed",
                          "/in/d.xls,failed",    "/in/e.xls,not started", "/in/link.xls,skipped"};
  ASSERT_EQ(rows.size(), expected.size() + 1) << ReadFile(dir / "all.csv");
  EXPECT_EQ(rows[0], std::string(kReportCsvHeader) + "\r");
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i + 1].rfind(expected[i] + ",", 0), 0u) << rows[i + 1];

  std::ofstream(dir / "notes.txt") << "name,amount\nli,3\n";
  for (const Lines& bad : {Lines{}, Lines{dir / "notes.txt"}}) {
    EXPECT_EQ(RunBatch(Plus({"--merge-reports", dir / "out.csv"}, bad)).status, 2);
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
  }
}

// A group-writable workbook of another user on a shared volume: refused in place naming
// --keep-owner=no; with it, edited and the run user's, keeping group, mode and attributes.
TEST(SharedVolume, KeepOwnerNoWritesAWorkbookOfAnotherUserKeepingItsGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of another user needs root";
  test::TempDir dir;
  constexpr uid_t kOtherUser = 4321;
  constexpr gid_t kSharedGroup = 65534;  // the group of "nobody", who runs the command
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  const std::string book = dir.copyFixture("sheets.xls", "volume/a.xls");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n";
  fs::create_directories(dir.path() / "cache");
  ASSERT_EQ(::chown((dir / "volume").c_str(), kOtherUser, kSharedGroup), 0);
  ASSERT_EQ(::chmod((dir / "volume").c_str(), 02775), 0);
  ASSERT_EQ(::chown(book.c_str(), kOtherUser, kSharedGroup), 0);
  ASSERT_EQ(::chmod(book.c_str(), 0664), 0);
  ASSERT_EQ(::chown((dir / "cache").c_str(), 65534, kSharedGroup), 0);
  const bool attributes = ::setxattr(book.c_str(), "user.origin", "share", 5, 0) == 0;
  const std::string source = ReadFile(book);

  const auto run = [&](const Lines& extra) {
    return test::AsUnprivileged([&] {
      ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
      ::setenv("HOME", (dir / "cache").c_str(), 1);
      const auto result = RunBatch(Plus({"--source", dir / "volume", "--rules", dir / "rules.txt", "--in-place",
                                         "--no-backup", "--log", "-", "--quiet"},
                                        extra));
      return std::to_string(result.status) + "\n" + result.err;
    });
  };
  const std::string refused = run({});
  EXPECT_EQ(refused.rfind("1\n", 0), 0u) << refused;
  EXPECT_NE(refused.find("the workbook's owner could not be kept"), std::string::npos) << refused;
  EXPECT_NE(refused.find("--keep-owner=no"), std::string::npos) << refused;
  EXPECT_EQ(ReadFile(book), source);

  const std::string written = run({"--keep-owner=no"});
  EXPECT_EQ(written.rfind("0\n", 0), 0u) << written;
  struct stat info {};
  ASSERT_EQ(::stat(book.c_str(), &info), 0);
  EXPECT_EQ(std::tuple(info.st_uid, info.st_gid, info.st_mode & 07777), std::tuple(65534u, kSharedGroup, 0664u));
  char value[16] = {};
  if (attributes) {
    EXPECT_EQ(std::string(value, ::getxattr(book.c_str(), "user.origin", value, 16)), "share");
  }
  EXPECT_EQ(test::ReadWithXlrd(book).sheets.at(0).value(1, 3), "edited");
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path() / "volume").empty());
}

}  // namespace
}  // namespace sheetwise::batch

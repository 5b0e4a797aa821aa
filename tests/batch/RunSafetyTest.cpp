// The run never damages a user's file: saving in place replaces only the file
// that was read, or leaves it byte-identical and says why; nothing of the batch
// program outlives it, however it ends, and what it saved is whole.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "BatchRun.h"
#include "ErrorText.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/HostError.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Lines = std::vector<std::string>;

using test::CopyExample;

test::BatchResult RunInPlace(const TempDir& dir, const std::string& ruleBytes) {
  std::ofstream(dir / "rules.txt", std::ios::binary | std::ios::trunc) << ruleBytes;
  return test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--log", dir / "log"});
}

// Column A of a row of a saved workbook: the example's header "日期" moves down a row per inserted row.
std::string ColumnA(const std::string& path, int row) { return test::ReadWithXlrd(path).sheets[0].value(row, 1); }

// Open elsewhere, read-only or hard-linked: left as it was, saying why. A link's target is written
// and the link stays; a replaced file keeps its mode and group, its extended attributes and its
// access control list. Under the C locale (a cron job, `env -i`) a workbook named and filed in
// Chinese is still opened and saved, not taken for a damaged file.
TEST(InPlaceSafety, OnlyTheFileThatWasReadIsReplacedAndRefusalsSayWhy) {
  TempDir dir;
  for (const std::string name : {"open", "owned", "readonly", "hard", "plain"}) {
    CopyExample(dir, "src/" + name + ".xls");
  }
  const std::string chinese = CopyExample(dir, "src/门店/门店B.xls");
  const std::string tagged = CopyExample(dir, "src/tagged.xls");
  // user::rw-, user 4242: r--, group::r--, mask::r--, other::r--
  std::string acl("\x02\0\0\0", 4);
  for (const auto& [tag, perm, id] : {std::tuple{1, 6, -1}, {2, 4, 4242}, {4, 4, -1}, {0x10, 4, -1}, {0x20, 4, -1}}) {
    const uint16_t head[2] = {static_cast<uint16_t>(tag), static_cast<uint16_t>(perm)};
    const int32_t who = id;
    acl.append(reinterpret_cast<const char*>(head), 4).append(reinterpret_cast<const char*>(&who), 4);
  }
  const std::pair<std::string, std::string> attributes[] = {{"user.origin", "门店 B, 2026"},
                                                             {"system.posix_acl_access", acl}};
  for (const auto& [name, value] : attributes) {
    ASSERT_EQ(::setxattr(tagged.c_str(), name.c_str(), value.data(), value.size(), 0), 0) << name << ": " << errno;
  }
  const std::string target = CopyExample(dir, "elsewhere/target.xls");
  fs::create_symlink("../elsewhere/target.xls", dir / "src/link.xls");
  std::ofstream(dir / "src/.~lock.open.xls#") << "another person,host,2026";
  std::ofstream(dir / "src/~$owned.xls") << "owner";
  fs::permissions(dir / "src/readonly.xls", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_hard_link(dir / "src/hard.xls", dir / "elsewhere/hard-too.xls");
  const std::string plain = dir / "src/plain.xls";
  ::chmod(plain.c_str(), 0640);
  const gid_t group = ::getuid() == 0 ? 4242 : 0;  // root may give a file any group
  if (group != 0) {
    ASSERT_EQ(::chown(plain.c_str(), static_cast<uid_t>(-1), group), 0);
  }
  const auto before = test::FileBytes(dir.path());

  const auto result = [&] {
    const test::EnvironmentVariable lang("LANG", std::nullopt), ctype("LC_CTYPE", std::nullopt), all("LC_ALL", "C");
    return RunInPlace(dir, "{插入行}|正行|1\n");
  }();
  const std::pair<std::string, const char*> refused[] = {
      {"src/open.xls", "open in another program"},
      {"src/owned.xls", "open in another program"},
      {"src/readonly.xls", "read-only"},
      {"src/hard.xls", "2 hard links"},
  };
  for (const auto& [file, reason] : refused) {
    EXPECT_EQ(test::FileBytes(dir.path()).at(file), before.at(file)) << "case " << file;
    EXPECT_TRUE(std::regex_search(result.err, std::regex(dir / file + "[^\n]*" + reason)))
        << "case " << file << ": " << result.err;
  }
  EXPECT_NE(result.err.find("4 processed"), std::string::npos) << result.err;
  EXPECT_EQ(ColumnA(chinese, 2), "日期");
  EXPECT_TRUE(fs::is_symlink(dir / "src/link.xls"));
  EXPECT_EQ(ColumnA(target, 2), "日期");
  EXPECT_EQ(ColumnA(plain, 2), "日期");
  struct stat info {};
  ASSERT_EQ(::stat(plain.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (group != 0) {
    EXPECT_EQ(info.st_gid, group);
  }
  EXPECT_EQ(test::ReadFile(dir / "elsewhere/hard-too.xls"), test::ReadFile(dir / "src/hard.xls"));
  EXPECT_EQ(ColumnA(tagged, 2), "日期");
  for (const auto& [name, value] : attributes) {
    std::string kept(256, '\0');
    const ssize_t size = ::getxattr(tagged.c_str(), name.c_str(), kept.data(), kept.size());
    EXPECT_EQ(kept.substr(0, static_cast<size_t>(std::max<ssize_t>(size, 0))), value) << name;
  }
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
}

// Each kind of edit on a protected sheet: the workbook fails and stays byte-identical.
TEST(InPlaceSafety, WhatTheSpreadsheetRefusesFailsAndChangesNothing) {
  TempDir dir;
  const std::string book = dir / "src/protected.xls";
  for (const std::string rules : {"1|B|x\n", "{行距}|1|30\n", "{列距}|C|12\n", "{插入行}|正行|2\n", "{删除行}|正行|2\n",
                                  "{合并}|A1|B2\n", "{清空}|A1|B2\n"}) {
    dir.copyFixture("protected.xls", "src/protected.xls");
    const auto result = RunInPlace(dir, rules);
    EXPECT_EQ(result.status, 1) << "case " << rules << ": " << result.err;
    EXPECT_NE(result.err.find("the sheet \"Sheet1\" is protected"), std::string::npos) << "case " << rules;
    EXPECT_EQ(test::ReadFile(book), test::ReadFile(test::Fixture("protected.xls"))) << "case " << rules;
  }
}

// Two runs over the same 16 workbooks at once: each gets both runs' rows, and no office outlives them.
TEST(InPlaceSafety, OverlappingRunsWaitForEachOther) {
  TempDir dir;
  for (int i = 0; i < 16; ++i) CopyExample(dir, "src/" + std::to_string(i) + ".xls");
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  const Lines args = {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--jobs", "2", "--log",
                      dir / "log"};
  const pid_t runs[] = {test::StartProgram(SHEETWISE_BATCH_BINARY, args, false).pid,
                        test::StartProgram(SHEETWISE_BATCH_BINARY, args, false).pid};
  for (const pid_t run : runs) {
    EXPECT_EQ(test::WaitForExit(run), 0) << "error log so far:\n" << test::ReadFile(dir / "log");
    EXPECT_EQ(test::OfficesLeftAfterExit(run), 0);
  }
  for (int i = 0; i < 16; ++i) EXPECT_EQ(ColumnA(dir / ("src/" + std::to_string(i) + ".xls"), 3), "日期") << i;
}

// Another program saves the workbook while it is edited here: its write is kept, and the save says why.
TEST(InPlaceSafety, AWorkbookRewrittenAfterLoadingIsNotWrittenOver) {
  TempDir dir;
  const std::string path = CopyExample(dir, "book.xls");
  const auto book = test::SharedHost().open(path, host::OpenMode::Edit);
  book->activeSheet()->setCell(1, 1, "edited here");
  std::ofstream(path, std::ios::binary | std::ios::app) << "their write";
  const std::string theirs = test::ReadFile(path);
  const std::string said = test::ErrorText<host::HostError>([&] { book->save(); });
  EXPECT_NE(said.find("changed on disk after it was loaded"), std::string::npos) << said;
  EXPECT_EQ(test::ReadFile(path), theirs);
  EXPECT_EQ(dir.listing(), "book.xls\n");
}

// As "sheetwise-batch ... 2>&1 | head -1" (an extraction's CSV, an editing run's log lines: every other
// workbook is empty and fails), and Ctrl-C, SIGHUP or SIGTERM after the first saves: the run ends as Ctrl-C
// ends it (SIGTERM, as a scheduler stops a task, with 143), and neither an office nor a hidden saving folder
// of it is left.
TEST(ProcessLifetime, AClosedOutputSigintAndSighupEndTheRunLeavingOnlyWholeFiles) {
  TempDir dir;
  for (int i = 0; i < 120; ++i) CopyExample(dir, "src/" + std::to_string(i) + ".xls");
  for (int i = 0; i < 120; i += 2) std::ofstream(dir / ("src/" + std::to_string(i) + ".xls"), std::ios::trunc);
  std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
  std::ofstream(dir / "extract.txt") << "{小偷}2|B|\n";
  const Lines editing = {"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--jobs", "2",
                         "--log", dir / "log"};
  const Lines extracting = {"--source", dir / "src", "--rules", dir / "extract.txt", "--extract", "--jobs", "2",
                            "--log", dir / "log"};
  const struct {
    const char* name;
    bool extract;
    int signal;  // 0: the reader takes a line and goes
    int status;
  } cases[] = {{"closed output, extracting", true, 0, 130}, {"closed output, editing", false, 0, 130},
               {"SIGINT", false, SIGINT, 130}, {"SIGHUP", false, SIGHUP, 130}, {"SIGTERM", false, SIGTERM, 143}};
  for (const auto& c : cases) {
    fs::remove_all(dir.path() / "out");
    auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, c.extract ? extracting : editing, true);
    if (c.signal == 0) {
      char first[64];
      ASSERT_GT(::read(program.outFd, first, sizeof first), 0) << c.name;
      ::close(program.outFd);
    } else {
      test::WaitForFiles(dir.path() / "out", 2);
      ::kill(program.pid, c.signal);
    }
    EXPECT_EQ(test::WaitForExit(program.pid), c.status) << c.name;
    EXPECT_EQ(test::OfficesLeftAfterExit(program.pid), 0) << c.name;
    EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty()) << c.name;
    if (c.signal == 0) continue;
    EXPECT_NE(test::ReadOutput(program).find("interrupted: "), std::string::npos) << c.name;
    size_t saved = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
      EXPECT_EQ(ColumnA(entry.path(), 2), "日期") << c.name << ": " << entry.path();
      ++saved;
    }
    EXPECT_GE(saved, 2u) << c.name;
    EXPECT_LT(saved, 60u) << c.name;
  }
}

}  // namespace
}  // namespace sheetwise::batch

// Reasons of failed file operations as the user reads them, decided from the
// real error: unreadable files and folders, a full disk. Names too long, files
// open in another program and names that are not UTF-8 are checked through
// the real office: RunReport.

#include "host/FailureReason.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include "TestPaths.h"
#include "Unprivileged.h"
#include "host/HostError.h"
#include "host/SafeStore.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using test::AsUnprivileged;
using test::TempDir;

std::string StoreFailure(const fs::path& target, const std::function<void(const fs::path&)>& write) {
  try {
    StoreReplacing(target, write);
  } catch (const HostError& e) {
    return e.what();
  }
  return "";
}

TEST(FailureReason, ErrorsSayWhatHappenedToWhat) {
  const struct {
    int error;
    FileAction action;
    const char* says;
  } cases[] = {
      {EACCES, FileAction::ReadFile, "no permission to read /d/a.xls"},
      {EACCES, FileAction::OpenFolder, "no permission to open the folder /d/a.xls"},
      {EPERM, FileAction::WriteFolder, "no permission to write into the folder /d/a.xls"},
      {EACCES, FileAction::ReplaceFile, "no permission to replace /d/a.xls"},
      {ENOSPC, FileAction::ReplaceFile, "the disk is full"},
      {EDQUOT, FileAction::WriteFolder, "the disk is full"},
      {ENAMETOOLONG, FileAction::ReplaceFile, "too long for the file system"},
      {ENOENT, FileAction::OpenFolder, "the folder /d/a.xls does not exist"},
      {ENOENT, FileAction::ReadFile, "/d/a.xls does not exist"},
      {EROFS, FileAction::WriteFolder, "can only be read"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(ReasonForError(c.error, c.action, "/d/a.xls").find(c.says), std::string::npos) << c.says;
  }
}

TEST(FailureReason, UnreadableFilesAndFoldersAreNamedAsSuch) {
  TempDir dir;
  std::ofstream(dir / "closed.xls") << "x";
  fs::permissions(dir / "closed.xls", fs::perms::none);
  fs::create_directories(dir / "shut/inner");
  std::ofstream(dir / "shut/inner/book.xls") << "x";
  fs::permissions(dir / "shut", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_symlink(dir / "gone.xls", dir / "link.xls");
  fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);

  const auto reason = [](const std::string& path) {
    return AsUnprivileged([&] { return UnreadableReason(path).value_or("readable"); });
  };
  EXPECT_NE(reason(dir / "closed.xls").find("no permission to read " + dir / "closed.xls"), std::string::npos);
  EXPECT_NE(reason(dir / "shut/inner/book.xls").find("no permission to open the folder " + dir / "shut"),
            std::string::npos);
  EXPECT_NE(reason(dir / "link.xls").find("a link to something that does not exist"), std::string::npos);
  EXPECT_NE(reason(dir / "missing.xls").find("does not exist"), std::string::npos);
  fs::permissions(dir / "shut", fs::perms::owner_all);
}

TEST(FailureReason, AFullDiskIsSaidSo) {
  TempDir dir;
  const fs::path small = dir.path() / "small";
  fs::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "a small disk cannot be mounted here: " << std::strerror(errno);
  }
  const auto fill = [](const fs::path& temp) {
    std::ofstream out(temp, std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 300 && out; ++i) out << block << std::flush;
    throw HostError("the office could not save");  // what the office says: nothing about the disk
  };
  const std::string full = StoreFailure(small / "book.xls", fill);
  const std::string roomy = StoreFailure(small / "book.xls", [](const fs::path& temp) {
    std::ofstream(temp) << "half";
    throw HostError("the office could not save");
  });
  ::umount(small.c_str());
  EXPECT_EQ(full, "the disk is full: no room to write in " + small.string());
  EXPECT_EQ(roomy, "the office could not save");
  EXPECT_EQ(dir.listing(), "small\n");
}

// The hidden saving folder is made beside the target: a folder that does not
// exist, cannot be written or is the target itself stops the store before any
// writing.
TEST(StoreReplacing, RefusesMissingAndUnwritableFolders) {
  TempDir dir;
  bool called = false;
  const auto write = [&](const fs::path&) { called = true; };
  EXPECT_THROW(StoreReplacing(dir / "no/such/book.xls", write), HostError);
  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) {
    EXPECT_THROW(StoreReplacing(dir / "locked/book.xls", write), HostError);
  }
  fs::create_directory(dir / "folder.xls");
  EXPECT_THROW(StoreReplacing(dir / "folder.xls", write), HostError);
  EXPECT_FALSE(called && ::geteuid() != 0);
}

}  // namespace
}  // namespace sheetwise::host

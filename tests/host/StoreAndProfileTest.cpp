// What keeps a file from being read or stored, said from the real error;
// hidden saving folders removed only once their writer has gone; office
// profiles only in folders private to this user.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "TestPaths.h"
#include "Unprivileged.h"
#include "host/FailureReason.h"
#include "host/FileDescriptor.h"
#include "host/HostError.h"
#include "host/OfficeProcess.h"
#include "host/SafeStore.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::string StoreFailure(const fs::path& target, const std::function<void(const fs::path&)>& write) {
  try {
    StoreReplacing(target, write);
  } catch (const HostError& e) {
    return e.what();
  }
  return "stored";
}

// As a user without privileges: a file and a folder closed to them, a link to
// nothing; and stores refused before anything is written, into a folder they
// cannot write, a missing folder or over a folder.
TEST(FailureReason, UnreadableAndUnwritablePathsAreNamedAsSuch) {
  TempDir dir;
  std::ofstream(dir / "closed.xls") << "x";
  fs::permissions(dir / "closed.xls", fs::perms::none);
  fs::create_directories(dir / "shut/inner");
  fs::permissions(dir / "shut", fs::perms::owner_read | fs::perms::others_read);
  fs::create_symlink(dir / "gone.xls", dir / "link.xls");
  fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
  const std::pair<std::string, std::string> unreadable[] = {
      {"closed.xls", "no permission to read " + dir / "closed.xls"},
      {"shut/inner/book.xls", "no permission to open the folder " + dir / "shut"},
      {"link.xls", "a link to something that does not exist"},
      {"missing.xls", dir / "missing.xls does not exist"}};
  for (const auto& [name, says] : unreadable) {
    const auto reason = test::AsUnprivileged([&] { return UnreadableReason(dir / name).value_or("readable"); });
    EXPECT_NE(reason.find(says), std::string::npos) << "case " << name << ": " << reason;
  }
  const std::pair<std::string, std::string> unwritable[] = {
      {"new.xls", "no permission to write into the folder " + dir.path().string()},
      {"no/such/book.xls", "the folder " + dir / "no/such does not exist"},
      {"shut", dir / "shut is a folder, not a file"}};
  for (const auto& [name, says] : unwritable) {
    const auto reason = test::AsUnprivileged(
        [&] { return StoreFailure(dir / name, [](const fs::path&) { throw HostError("the writer was called"); }); });
    EXPECT_EQ(reason, says) << "case " << name;
  }
  fs::permissions(dir / "shut", fs::perms::owner_all);
}

TEST(FailureReason, AFullDiskIsSaidSo) {
  TempDir dir;
  const fs::path small = dir.path() / "small";
  fs::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "a small disk cannot be mounted here: " << std::strerror(errno);
  }
  // The office's own failure says nothing about the disk.
  const auto officeWriting = [](int blocks) {
    return [blocks](const fs::path& temp) {
      std::ofstream out(temp, std::ios::binary);
      for (int i = 0; i < blocks && out; ++i) out << std::string(4096, 'x') << std::flush;
      throw HostError("the office could not save");
    };
  };
  const std::string full = StoreFailure(small / "book.xls", officeWriting(300));
  const std::string roomy = StoreFailure(small / "book.xls", officeWriting(1));
  ::umount(small.c_str());
  EXPECT_EQ(full, "the disk is full: no room to write in " + small.string());
  EXPECT_EQ(roomy, "the office could not save");
  EXPECT_EQ(dir.listing(), "small\n");
}

TEST(AbandonedSaveFolders, OnlyThoseWhoseWriterHasGoneAreRemoved) {
  TempDir dir;
  const fs::path alive = dir.path() / (std::string(kStoreFolderPrefix) + "alive1");
  const fs::path gone = dir.path() / (std::string(kStoreFolderPrefix) + "gone12");
  for (const auto& folder : {alive, gone}) {
    fs::create_directories(folder);
    std::ofstream(folder / "book.xls") << "half a workbook";
  }
  std::ofstream(dir / "book.xls") << "the user's";
  const FileDescriptor writer(::open(alive.c_str(), O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);  // a writer still at work
  RemoveAbandonedSaveFolders(dir.path());
  const std::string kept = alive.filename().string();
  EXPECT_EQ(dir.listing(), kept + "\n" + kept + "/book.xls\nbook.xls\n");
}

// A slot, or the folder of all slots, that others can write or that is a link
// planted in its place is passed over for a private one.
TEST(PrivateProfiles, FoldersOthersCanWriteAreNeverUsed) {
  TempDir dir;
  const fs::path root = dir.path() / "office-profiles";
  fs::create_directories(root / "slot-0");
  ::chmod((root / "slot-0").c_str(), 0777);
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), root / "slot-1");
  ::chmod(root.c_str(), 0777);
  TempDir temp;
  const std::string oldTemp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  ::setenv("TMPDIR", temp.path().c_str(), 1);
  const fs::path fallback = temp.path() / ("sheetwise-" + std::to_string(::getuid())) / "office-profiles/slot-0";
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), fallback);
  fs::remove_all(root);
  fs::create_directory_symlink(dir.path(), root);
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), fallback);
  if (oldTemp.empty()) ::unsetenv("TMPDIR"); else ::setenv("TMPDIR", oldTemp.c_str(), 1);
}

// A user whose home is unusable ("nobody"'s does not exist) and whose cache
// variable is relative gets a private folder under the temporary folder, never
// one relative to where the program was started.
TEST(PrivateProfiles, WithoutAUsableHomeTheRootIsPrivate) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can run this as a user without a home";
  TempDir temp;
  fs::permissions(temp.path(), fs::perms::all);
  const std::string root = test::AsUnprivileged([&] {
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    ::unsetenv("HOME");
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    const fs::path root = DefaultCacheRoot();
    return root.string() + (IsPrivateFolder(root.parent_path()) ? "" : " (not private)");
  });
  EXPECT_EQ(root, (temp.path() / "sheetwise-65534/cache").string());
}

}  // namespace
}  // namespace sheetwise::host

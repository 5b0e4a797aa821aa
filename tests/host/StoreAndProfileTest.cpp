// Hidden saving folders are removed only once their writer has gone; office
// profiles are used only in folders private to this user.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestPaths.h"
#include "Unprivileged.h"
#include "host/FileDescriptor.h"
#include "host/OfficeProcess.h"
#include "host/SafeStore.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

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

TEST(PrivateProfiles, FoldersOthersCanWriteAreNeverUsed) {
  TempDir dir;
  const fs::path root = dir.path() / "office-profiles";
  fs::create_directories(root / "slot-0");
  ::chmod((root / "slot-0").c_str(), 0777);  // prepared by someone else
  {
    const ProfileSlot slot(dir.path());
    EXPECT_EQ(slot.directory(), root / "slot-1");
    EXPECT_TRUE(IsPrivateFolder(slot.tempDirectory()));
  }
  ::chmod(root.c_str(), 0777);
  TempDir temp;  // the fallback goes under the temporary folder
  const std::string oldTemp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  ::setenv("TMPDIR", temp.path().c_str(), 1);
  const auto usedInstead = [&] {
    const ProfileSlot slot(dir.path());
    EXPECT_TRUE(slot.directory().string().starts_with(temp.path().string())) << slot.directory();
    EXPECT_TRUE(IsPrivateFolder(slot.directory().parent_path().parent_path()));
  };
  usedInstead();
  fs::remove_all(root);
  fs::create_directory_symlink(dir.path(), root);  // a link planted in its place
  usedInstead();
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

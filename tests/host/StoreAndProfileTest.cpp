// Why a file cannot be read or stored; abandoned save folders; profiles only in private folders.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <fstream>
#include <set>

#include "BatchRun.h"
#include "ErrorText.h"
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

// As an unprivileged user; stores are refused before anything is written.
TEST(FailureReason, UnreadableAndUnwritablePathsAreNamedAsSuch) {
  TempDir dir;
  std::ofstream(dir / "closed.xls") << "x";
  fs::permissions(dir / "closed.xls", fs::perms::none);
  fs::create_directory(dir / "shut");
  fs::permissions(dir / "shut", fs::perms::owner_read | fs::perms::others_read);
  fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
  const std::tuple<const char*, std::string, bool> cases[] = {
      {"closed.xls", "no permission to read " + dir / "closed.xls", false},
      {"shut/inner/book.xls", "no permission to open the folder " + dir / "shut", false},
      {"new.xls", "no permission to write into the folder " + dir.path().string(), true},
      {"shut", dir / "shut is a folder, not a file", true}};
  for (const auto& [name, says, store] : cases) {
    const std::string said = test::AsUnprivileged([&]() -> std::string {
      if (!store) return UnreadableReason(dir / name).value_or("readable");
      return test::ErrorText<HostError>(
          [&] { StoreReplacing(dir / name, [](const fs::path&) { throw HostError("the writer was called"); }); });
    });
    EXPECT_EQ(said, says) << "case " << name;
  }
}

// Killed runs' folders go (marked, empty, marker cut short); a working writer's and a user's stay.
TEST(AbandonedSaveFolders, OnlyThoseWhoseWriterHasGoneAreRemoved) {
  TempDir dir;
  const fs::path alive = dir.path() / (std::string(kStoreFolderPrefix) + "alive1");
  const fs::path users = dir.path() / (std::string(kStoreFolderPrefix) + "notes");
  const fs::path unmarked = dir.path() / (std::string(kStoreFolderPrefix) + "empty1");  // its writer killed at once
  const fs::path cutShort = dir.path() / (std::string(kStoreFolderPrefix) + "short1");  // killed writing the marker
  for (const auto& folder : {alive, users}) fs::create_directories(folder);
  std::ofstream(users / "mine.txt") << "the user's notes";
  std::ofstream(users / kStoreFolderMarker) << "the user's too";
  std::ofstream(dir / "book.xls") << "the user's";
  const FileDescriptor writer(::open(alive.c_str(), O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);  // a writer still at work
  test::LeaveAbandonedSaveFolder(dir.path());
  fs::create_directories(unmarked);
  fs::create_directories(cutShort);
  std::ofstream(cutShort / kStoreFolderMarker) << "sheetwise sav";
  ASSERT_EQ(test::HiddenSaveFolders(dir.path()).size(), 5u);
  RemoveAbandonedSaveFolders(dir.path());
  EXPECT_EQ(dir.listing(), alive.filename().string() + "\n" + users.filename().string() + "\n" +
                               users.filename().string() + "/" + kStoreFolderMarker + "\n" +
                               users.filename().string() + "/mine.txt\nbook.xls\n");
}

// With reuse, one hidden folder per folder, gone on failure, elsewhere or at the end; else none kept.
TEST(SaveFolderReuse, OneHiddenFolderPerFolderWhileItLastsAndNoneAfter) {
  TempDir dir;
  fs::create_directories(dir / "other");
  std::set<fs::path> seen;
  const auto save = [&](const std::string& name, bool fail = false) {
    StoreReplacing(dir / name, [&](const fs::path& temp) {
      seen.insert(temp.parent_path());
      std::ofstream(temp) << name;
      if (fail) throw HostError("the writer failed");
    });
  };
  {
    const SaveFolderReuse reuse;
    save("a.xls");
    save("b.xls");
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(test::HiddenSaveFolders(dir.path()).size(), 1u);
    EXPECT_THROW(save("c.xls", true), HostError);
    EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
    save("d.xls");
    save("other/e.xls");
    const auto kept = test::HiddenSaveFolders(dir.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fs::path(kept[0]).parent_path(), dir.path() / "other");
  }
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
  save("f.xls");
  EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty());
  EXPECT_EQ(dir.listing(), "a.xls\nb.xls\nd.xls\nf.xls\nother\nother/e.xls\n");
}

// A slot or slot folder others can write, or a planted link, is passed over for a private one.
TEST(PrivateProfiles, FoldersOthersCanWriteAreNeverUsed) {
  TempDir dir;
  const fs::path root = dir.path() / "office-profiles";
  fs::create_directories(root / "slot-0");
  fs::permissions(root / "slot-0", fs::perms::all);
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), root / "slot-1");
  fs::permissions(root, fs::perms::all);
  TempDir temp;
  const test::EnvironmentVariable tmpdir("TMPDIR", temp.path().string());
  const fs::path spare = temp.path() / ("sheetwise-" + std::to_string(::getuid())) / "office-profiles/slot-0";
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), spare);
  fs::remove_all(root);
  fs::create_directory_symlink(dir.path(), root);
  EXPECT_EQ(ProfileSlot(dir.path()).directory(), spare);
}

// Without a home and with a relative cache variable: a private folder under the temporary folder.
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

// Reasons of failed file operations as the user reads them, decided from the
// real error. Names too long, files open in another program and names that
// are not UTF-8 are checked through the real office: RunReport.

#include "host/FailureReason.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "TestPaths.h"
#include "Unprivileged.h"
#include "host/HostError.h"
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

}  // namespace
}  // namespace sheetwise::host

#include "host/SafeStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "TestPaths.h"
#include "host/HostError.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(StoreReplacing, ReplacesTheTargetAndLeavesNothingElse) {
  TempDir dir;
  std::ofstream(dir / "book.xls") << "old";
  StoreReplacing(dir / "book.xls", [](const fs::path& temp) {
    EXPECT_NE(temp.parent_path().filename().string().find(kStoreFolderPrefix), std::string::npos);
    std::ofstream(temp) << "new";
    std::ofstream(temp.parent_path() / ".~lock.book.xls#") << "lock";
  });
  EXPECT_EQ(Read(dir / "book.xls"), "new");
  EXPECT_EQ(dir.listing(), "book.xls\n");
}

TEST(StoreReplacing, AFailedWriteKeepsTheOldFileWhole) {
  TempDir dir;
  std::ofstream(dir / "book.xls") << "old";
  EXPECT_THROW(StoreReplacing(dir / "book.xls",
                              [](const fs::path& temp) {
                                std::ofstream(temp) << "half";
                                throw HostError("killed while writing");
                              }),
               HostError);
  EXPECT_EQ(Read(dir / "book.xls"), "old");
  EXPECT_EQ(dir.listing(), "book.xls\n");
}

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

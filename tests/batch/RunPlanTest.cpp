// The run's plan is checked before any file is touched: copies stay inside the
// save folder, never land on a workbook or file of the run, never on each
// other; the log and CSV files are none of the run's inputs. Through the batch
// command (refusals exit 2 and leave every file as it was); the window's start:
// BatchDriver.

#include "batch/RunPlan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Args = std::vector<std::string>;

const fs::path kExample = fs::path(SHEETWISE_SOURCE_DIR) / "examples/workbooks/华东/门店B.xls";

// src/a1.xls, src/b1.xls, src/sub/a1.xls and a rule file.
class RunPlanTest : public ::testing::Test {
 protected:
  RunPlanTest() {
    for (const char* name : {"src/a1.xls", "src/b1.xls", "src/sub/a1.xls"}) {
      fs::create_directories((dir.path() / name).parent_path());
      fs::copy_file(kExample, dir.path() / name);
    }
    std::ofstream(dir / "rules.txt") << "1|A|edited\n";
  }
  Args with(Args extra) const {
    Args args = {"--source", dir / "src", "--rules", dir / "rules.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  TempDir dir;
};

TEST_F(RunPlanTest, RefusesAPlanThatWouldWriteOverAFileNamingTheFirstConflict) {
  struct Case {
    Args options;
    std::string says;  // a part of the message
    std::string names;  // the conflicting path it names
  };
  const Case cases[] = {
      {{"--save", dir / "out", "--name-replace", "a1", "../src/b1"}, "outside the save folder", dir / "src/a1.xls"},
      {{"--save", dir / "out", "--prefix", "../"}, "outside the save folder", dir / "out/../a1.xls"},
      {{"--save", dir / "out", "--path-replace", "/sub/", "/../../src/"}, "outside the save folder",
       dir / "src/sub/"},  // its mirrored folder, made before any copy
      {{"--save", dir / "out", "--name-replace", "a1", "b1"}, "the same copy", dir / "out/b1.xls"},
      {{"--save", dir / "src"}, "which this run reads", dir / "src/a1.xls"},
      {{"--save", dir / "out", "--log", dir / "src/b1.xls"}, "is the same file as", dir / "src/b1.xls"},
      {{"--save", dir / "out", "--log", dir / "rules.txt"}, "is the same file as", dir / "rules.txt"},
      {{"--save", dir / "out", "--log", dir / "out/sub/a1.xls"}, "is the same file as", dir / "out/sub/a1.xls"},
      {{"--in-place", "--log", dir / "src/sub/a1.xls"}, "is the same file as", dir / "src/sub/a1.xls"},
      {{"--extract", "--output", dir / "src/a1.xls"}, "is the same file as", dir / "src/a1.xls"},
      {{"--save", dir / "out", "--name-replace", "a1", "b1", "--dry-run"}, "the same copy", dir / "out/b1.xls"},
  };
  const auto before = test::FileBytes(dir.path());
  for (const auto& c : cases) {
    const auto result = test::RunBatch(with(c.options));
    EXPECT_EQ(result.status, 2) << c.says;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.names), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::FileBytes(dir.path()), before) << c.says;
    EXPECT_FALSE(fs::exists(dir / "out")) << c.says;
  }
}

TEST_F(RunPlanTest, InPlaceTwoEntriesThatAreOneFileAreRefused) {
  fs::create_symlink("a1.xls", dir / "src/sub/link.xls");
  const auto result = test::RunBatch(with({"--in-place", "--log", dir / "run.log"}));
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find(dir / "src/sub/link.xls"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir / "run.log"));
}

TEST_F(RunPlanTest, HardLinkedLogIsFoundByTheFileNotTheName) {
  fs::create_hard_link(dir / "rules.txt", dir / "log.txt");
  const auto result = test::RunBatch(with({"--save", dir / "out", "--log", dir / "log.txt", "--dry-run"}));
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find(dir / "rules.txt"), std::string::npos) << result.err;
}

// Later runs neither take the copies for sources nor pile prefixes up.
TEST_F(RunPlanTest, ASaveFolderInsideTheSourceFolderIsNoSource) {
  const auto sources = [&] {
    auto files = test::FileBytes(dir / "src");
    std::erase_if(files, [](const auto& file) { return file.first.starts_with("out/"); });
    return files;
  };
  const auto before = sources();
  for (int run = 0; run < 2; ++run) {
    const auto result = test::RunBatch(with({"--save", dir / "src/out", "--prefix", "X_", "--log", dir / "run.log"}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("3 processed"), std::string::npos) << result.err;
  }
  std::vector<std::string> copies;
  for (const auto& [name, bytes] : test::FileBytes(dir / "src/out")) copies.push_back(name);
  EXPECT_EQ(copies, (std::vector<std::string>{"X_a1.xls", "X_b1.xls", "sub/X_a1.xls"}));
  EXPECT_EQ(sources(), before);
  const auto dry = test::RunBatch(with({"--save", dir / "src/out", "--dry-run"}));
  EXPECT_EQ(dry.out.find("src/out/a1.xls\t"), std::string::npos) << dry.out;
}

TEST(RunPlan, LiesWithinComparesWholeFolderNames) {
  TempDir dir;
  fs::create_directories(dir.path() / "save");
  fs::create_directory_symlink(dir.path(), dir.path() / "save/up");
  EXPECT_TRUE(LiesWithin(dir / "save/a.xls", dir / "save/"));
  EXPECT_TRUE(LiesWithin(dir / "save/x/../a.xls", dir / "save"));
  EXPECT_FALSE(LiesWithin(dir / "saved/a.xls", dir / "save"));
  EXPECT_FALSE(LiesWithin(dir / "save/../a.xls", dir / "save"));
  EXPECT_FALSE(LiesWithin(dir / "save/up/a.xls", dir / "save"));  // through a link out of it
}

}  // namespace
}  // namespace sheetwise::batch

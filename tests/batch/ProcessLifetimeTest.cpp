// Nothing of the batch program outlives it: Ctrl-C ends the run keeping only
// whole files, a closed output ends it as Ctrl-C does, SIGHUP as SIGTERM; after
// SIGKILL its offices end at once and the next run removes the hidden saving
// folders it left.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;

const fs::path kExample = fs::path(SHEETWISE_SOURCE_DIR) / "examples/workbooks/华东/门店B.xls";

class ProcessLifetimeTest : public ::testing::Test {
 protected:
  ProcessLifetimeTest() {
    fs::create_directories(dir.path() / "src");
    for (int i = 0; i < 120; ++i) fs::copy_file(kExample, dir.path() / "src" / (std::to_string(i) + ".xls"));
    std::ofstream(dir / "rules.txt") << "{插入行}|正行|1\n";
    std::ofstream(dir / "extract.txt") << "{小偷}2|B|\n";
  }
  std::vector<std::string> editing() const {
    return {"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--jobs", "2", "--log",
            dir / "run.log"};
  }
  // The program ended with status, and neither an office nor a hidden saving folder of it is left.
  void expectGone(pid_t pid, int status, const std::string& what) {
    EXPECT_EQ(test::WaitForExit(pid), status) << what;
    EXPECT_EQ(test::OfficesLeftAfterExit(pid), 0) << what;
    EXPECT_TRUE(test::HiddenSaveFolders(dir.path()).empty()) << what;
  }
  test::TempDir dir;
};

// As "sheetwise-batch ... 2>&1 | head -1": the CSV of an extraction, and the
// log lines of an editing run (every other workbook fails, an empty file).
TEST_F(ProcessLifetimeTest, AClosedOutputEndsTheRunAsCtrlCDoes) {
  for (int i = 0; i < 120; i += 2) std::ofstream(dir / ("src/" + std::to_string(i) + ".xls"), std::ios::trunc);
  const std::vector<std::string> extracting = {"--source", dir / "src", "--rules", dir / "extract.txt", "--extract",
                                               "--jobs", "2", "--log", dir / "run.log"};
  for (const auto& args : {extracting, editing()}) {
    const auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, args, true);
    char first[64];
    ASSERT_GT(::read(program.outFd, first, sizeof first), 0);  // the reader takes a line and goes
    ::close(program.outFd);
    expectGone(program.pid, 130, args[4]);
  }
}

// Stopped once the first workbooks were saved: what was saved is whole.
TEST_F(ProcessLifetimeTest, SigintAndSighupEndTheRunLeavingOnlyWholeFiles) {
  for (const int signal : {SIGINT, SIGHUP}) {
    const std::string what = "signal " + std::to_string(signal);
    fs::remove_all(dir.path() / "out");
    auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, editing(), true);
    test::WaitForFiles(dir.path() / "out", 2);
    ::kill(program.pid, signal);
    expectGone(program.pid, 130, what);
    EXPECT_NE(test::ReadOutput(program).find("interrupted: "), std::string::npos) << what;
    size_t saved = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
      EXPECT_EQ(test::ReadWithXlrd(entry.path()).sheets[0].value(2, 1), "日期") << what << ": " << entry.path();
      ++saved;
    }
    EXPECT_GE(saved, 2u) << what;
    EXPECT_LT(saved, 120u) << what;
  }
}

TEST_F(ProcessLifetimeTest, AfterSigkillTheOfficesEndAndTheNextRunClearsWhatWasLeft) {
  const auto program = test::StartProgram(SHEETWISE_BATCH_BINARY, editing(), false);
  test::WaitForFiles(dir.path() / "out", 2);
  ASSERT_GT(test::OfficesOf(program.pid), 0);
  ::kill(program.pid, SIGKILL);
  EXPECT_EQ(test::WaitForExit(program.pid), 128 + SIGKILL);
  EXPECT_EQ(test::OfficesLeftAfterExit(program.pid), 0);
  // What a kill in the middle of a save leaves, whether or not this one did.
  fs::create_directories(dir.path() / "out/.sheetwise-saving-Xk3p9Q");
  fs::copy_file(kExample, dir.path() / "out/.sheetwise-saving-Xk3p9Q/7.xls");
  expectGone(test::StartProgram(SHEETWISE_BATCH_BINARY, editing(), false).pid, 0, "the next run");
}

}  // namespace
}  // namespace sheetwise::batch

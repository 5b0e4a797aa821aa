// The batch command's arguments are checked as a whole before any workbook is
// touched; each problem has its message and exit status 2. Messages follow the
// user's locale.

#include "cli/BatchCommand.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TableWorkbook.h"
#include "TestPaths.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Lines = std::vector<std::string>;

struct Result {
  int status;
  std::string err;
};

Result RunInProcess(const Lines& args) {
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  const int status = RunBatchCommand(args, {out, err, false}, interrupted);
  return {status, err.str()};
}

// The command as a program, with env set before it, standard error captured.
Result RunProgram(const std::string& env, const Lines& args) {
  std::string command = "env " + env + " " SHEETWISE_BATCH_BINARY;
  for (const auto& arg : args) command += " '" + arg + "'";
  command += " 2>&1 >/dev/null";
  std::string err;
  FILE* pipe = ::popen(command.c_str(), "r");
  std::array<char, 4096> buffer{};
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) err.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class BatchArguments : public ::testing::Test {
 protected:
  BatchArguments() {
    test::WriteTableWorkbook(dir.path() / "src/a.xls", "Name,Amount\nok,2.5\n");
    original = Read(dir / "src/a.xls");
    fs::create_directory(dir.path() / "out");
    std::ofstream(dir / "rules.txt") << "1|C|edited\n";
    std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n";
    std::ofstream(dir / "file.txt") << "x";
  }
  Lines with(Lines extra, const std::string& rules = "rules.txt") const {
    Lines args = {"--source", dir / "src", "--rules", dir / rules, "--log", dir / "run.log"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // Nothing of the run happened: the workbook as it was, no output, no log.
  void expectUntouched(const std::string& what) {
    EXPECT_EQ(Read(dir / "src/a.xls"), original) << what;
    EXPECT_TRUE(fs::is_empty(dir.path() / "out")) << what;
    EXPECT_FALSE(fs::exists(dir.path() / "run.log")) << what;
  }
  TempDir dir;
  std::string original;
};

TEST_F(BatchArguments, EachProblemIsFoundBeforeTheFirstWorkbook) {
  const std::string out = dir / "out";
  const std::pair<Lines, std::string> cases[] = {
      {{"--source", dir / "src", "--rules", dir / "out", "--save", out}, "is a folder, not a rule file"},
      {with({"--save", dir / "file.txt"}), "--save: " + dir / "file.txt" + " is a file, not a folder"},
      {with({"--save", dir / "no/out"}), "--save: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--veto-row", "0", "--veto-col", "A"}), "row 0 does not exist"},
      {with({"--save", out, "--veto-row", "x", "--veto-col", "A"}), "--veto-row needs a row number"},
      {with({"--save", out, "--veto-row", "1", "--veto-col", "a"}), "one capital column letter"},
      {with({"--save", out, "--veto-value", "Date"}), "--veto-value needs --veto-row and --veto-col"},
      {with({"--save", out, "--sheet", ""}), "--sheet needs a sheet name"},
      {with({"--save", out, "--sheet", "a/b"}), "no sheet can be named"},
      {with({"--extract", "--save", out}, "cells.txt"), "--extract only reads workbooks"},
      {with({"--extract", "--in-place"}, "cells.txt"), "--extract only reads workbooks"},
      {with({"--extract", "--prefix", "x"}, "cells.txt"), "--extract neither tests a veto nor names files"},
      {with({"--extract"}), "rule 1 of the rule file is \"1|C|edited\""},
      {with({"--in-place", "--prefix", "日期_"}), "--in-place keeps every file name"},
      {with({"--in-place", "--name-replace", "a", "b"}), "--in-place keeps every file name"},
      {with({"--save", out, "--source", dir / "src"}), "--source is given twice"},
      {with({"--save", out, "--output", dir / "x.csv"}), "goes with --extract only"},
      {with({"--save", out, "--name-replace", "", "b"}), "--name-replace needs a text to replace"},
      {with({"--save", out, "--path-replace", "out", "x"}), "--path-replace: \"out\" occurs in the save folder"},
      {{"--source", dir / "src", "--rules", dir / "rules.txt", "--save", out, "--log", dir / "no/run.log"},
       "--log: the folder " + dir / "no" + " does not exist"},
      {{"--source", dir / "src", "--rules", dir / "rules.txt", "--save", out, "--log", out}, "--log: " + out +
                                                                                              " is a folder"},
      {with({"--save", out, "--report", dir / "no/r.csv"}), "--report: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--report", dir / "run.log"}), "is the same file as"},
  };
  for (const auto& [args, message] : cases) {
    const auto result = RunInProcess(args);
    EXPECT_EQ(result.status, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << message << "\n  said: " << result.err;
    expectUntouched(message);
  }
}

TEST_F(BatchArguments, AnEmptyRuleListCopiesAndSaysSoOnce) {
  std::ofstream(dir / "empty.txt") << "\n\n";
  const auto result = RunInProcess(with({"--save", dir / "out"}, "empty.txt"));
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string notice = "the rule list is empty: workbooks are copied unchanged";
  const size_t first = result.err.find(notice);
  EXPECT_NE(first, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(notice, first + 1), std::string::npos) << result.err;
  EXPECT_TRUE(fs::exists(dir.path() / "out/a.xls"));
  EXPECT_EQ(RunInProcess(with({"--extract"}, "empty.txt")).status, 2);
}

TEST_F(BatchArguments, MessagesFollowTheLocale) {
  const Lines args = with({"--save", dir / "out", "--veto-row", "0", "--veto-col", "A"});
  const auto english = RunProgram("-u LANGUAGE LC_ALL=C.UTF-8", args);
  EXPECT_EQ(english.status, 2);
  EXPECT_NE(english.err.find("--veto-row: row 0 does not exist (rows are 1 to 65536)"), std::string::npos)
      << english.err;
  // With the locale generated or not, a zh_CN locale gives Chinese.
  for (const char* env : {"-u LANGUAGE LC_ALL=zh_CN.UTF-8", "LANGUAGE=zh_CN LC_ALL=C.UTF-8"}) {
    const auto chinese = RunProgram(env, args);
    EXPECT_EQ(chinese.status, 2) << env;
    EXPECT_NE(chinese.err.find("--veto-row：第 0 行不存在（行号为 1 到 65536）"), std::string::npos)
        << env << ": " << chinese.err;
  }
  expectUntouched("locale runs");
}

TEST_F(BatchArguments, AnOfficeThatCannotStartSaysWhyNotWhatToPress) {
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  host::HostOptions missing;
  missing.officeProgramDir = dir.path() / "no-office/program";
  const Result result{RunBatchCommand(with({"--save", dir / "out"}), {out, err, false}, interrupted, missing),
                      err.str()};
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("LibreOffice could not be started: LibreOffice is not installed: " + dir /
                            "no-office/program/soffice is missing"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find("开始"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("apt-get"), std::string::npos) << result.err;
  EXPECT_EQ(Read(dir / "src/a.xls"), original);
}

}  // namespace
}  // namespace sheetwise::batch

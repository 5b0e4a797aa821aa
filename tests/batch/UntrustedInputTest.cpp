// Workbooks crafted to break the program's own reading of them: refused saying why, or failed within a budget.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "BatchRun.h"
#include "BookSnapshot.h"
#include "CompoundFile.h"
#include "ErrorText.h"
#include "PackageEdit.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/SaveCheck.h"
#include "cli/ReportReader.h"
#include "host/CompoundFileCheck.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using Lines = std::vector<std::string>;
using test::SplitLines;

// The workbook stream of a real workbook, long enough to be kept in regular sectors.
std::string RealWorkbookStream(const TempDir& dir) {
  std::string csv = "Name,Amount\n";
  for (int row = 1; row <= 300; ++row) csv += "row " + std::to_string(row) + "," + std::to_string(row) + "\n";
  test::WriteTableWorkbook(dir.path() / "real.xls", csv);
  const std::string stream = test::ReadCompoundStream(dir.path() / "real.xls", "Workbook");
  fs::remove(dir.path() / "real.xls");
  return stream;
}

// A copy of a file with bytes written over it at an offset.
void WritePatched(const fs::path& from, const fs::path& to, size_t at, const std::string& bytes) {
  std::string file = test::ReadFile(from);
  file.replace(at, bytes.size(), bytes);
  std::ofstream(to, std::ios::binary) << file;
}

// A compound file as WriteCompoundFile writes it whose stream's chain loops back before its last sector.
void WriteLoopingChain(const fs::path& good, const fs::path& target, size_t streamSize) {
  const uint32_t sectors = static_cast<uint32_t>((streamSize + 511) / 512);
  const size_t table = 512 + (sectors + 1) * 512;
  WritePatched(good, target, table + 4 * (sectors - 2), std::string(4, '\0'));
}

// A crafted container read without this check hangs or crashes the reader; each is refused with its reason.
TEST(CompoundFileCheck, CraftedDirectoriesAndChainsAreRefusedSayingWhy) {
  TempDir dir;
  const std::string workbook = RealWorkbookStream(dir);
  ASSERT_GE(workbook.size(), 4096u);
  const auto patched = [&](const std::string& name, size_t at, const std::string& bytes) {
    WritePatched(dir / "good.xls", dir / name, at, bytes);
  };
  test::WriteCompoundFile(dir / "good.xls", {{"Workbook", workbook}});
  WriteLoopingChain(dir / "good.xls", dir / "chain.xls", workbook.size());
  const size_t directory = 512 + (workbook.size() + 511) / 512 * 512;  // the directory follows the stream
  patched("loop.xls", directory + 128 + 72, std::string("\1\0\0\0", 4));  // the stream is its own right sibling
  const uint32_t longer = static_cast<uint32_t>(workbook.size() + 1024);  // two sectors more than it has
  patched("long.xls", directory + 128 + 120, std::string(reinterpret_cast<const char*>(&longer), 4));
  patched("header.xls", 30, std::string("\x10\0", 2));                        // sectors of 64 KB
  test::WriteCompoundFile(dir / "deep.xls", {{"Workbook", workbook}}, 600);
  const std::pair<const char*, std::string> cases[] = {
      {"good.xls", ""}, {"loop.xls", "its directory loops back on itself"},
      {"long.xls", "stream \"Workbook\" is longer than the sectors that hold it"},
      {"header.xls", "its header holds impossible values"},
      {"deep.xls", "its directory is nested more than 512 levels deep"},
      {"chain.xls", "a chain of its sectors loops or leaves the file"},
  };
  for (const auto& [name, reason] : cases) {
    EXPECT_EQ(test::ErrorText<host::DamagedContainer>([&] { host::CheckCompoundFile(dir / name); }),
              reason.empty() ? "no error" : "the workbook's container is damaged: " + reason)
        << "case " << name;
  }
}

// A check that refused real workbooks would fail good files: every corpus container passes.
TEST(CorpusCompoundFileCheck, RealWorkbooksPass) {
  SHEETWISE_REQUIRE_CORPUS();
  size_t checked = 0;
  for (const auto& entry : fs::directory_iterator(test::CorpusDir())) {
    if (entry.path().extension() != ".xls") continue;
    EXPECT_NO_THROW(host::CheckCompoundFile(entry.path())) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 20u);
}

// A save whose check cannot be made is not passed as checked: its own reason, and refused where it may not be written.
TEST(UntrustedWorkbooks, NoCheckPossibleIsItsOwnReason) {
  TempDir dir;
  test::WriteTableWorkbook(dir.path() / "book.xls", "Name\nok\n");
  std::ofstream(dir / "garbled.xls") << "not a workbook";
  const std::string said =
      "no check possible: the saved workbook cannot be read: it is not an Excel 97-2003 (BIFF8) workbook";
  EXPECT_EQ(CheckSave(dir / "book.xls", dir / "garbled.xls", {"Sheet1", {}}, true).reason(), said);
  const auto strictly = [&] { CheckSave(dir / "book.xls", dir / "garbled.xls", {"Sheet1", {}}, false); };
  EXPECT_EQ(test::ErrorText<DifferencesFound>(strictly), said) << "a save that could not be checked may be written";
}

// An unchecked copy (a package 70 folders deep) is reported "unchecked", never processed; in place it is not written.
TEST(UntrustedWorkbooks, AnUncheckedCopyIsNoSuccess) {
  TempDir dir;
  fs::create_directories(dir.path() / "src");
  test::MakeBook("xlsx", dir / "src/good.xlsx");
  std::string deep = "xl/";
  for (int i = 0; i < 70; ++i) deep += "d/";
  test::WritePackage(dir, dir / "src/good.xlsx", dir / "src/deep.xlsx", {{deep + "x.xml", "<x/>"}});
  std::ofstream(dir / "rules.txt") << "2|B|edited\n";
  const std::string reason = "no check possible: the source cannot be read: it is a damaged zip package";

  const auto copies = test::RunBatch({"--source", dir / "src", "--save", dir / "out", "--rules", dir / "rules.txt",
                                      "--types", "xlsx", "--jobs", "1", "--report", dir / "copies.csv", "--log",
                                      dir / "log"});
  EXPECT_EQ(copies.status, 1) << copies.err;
  const auto rows = ReadReport(dir.path() / "copies.csv").rows;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].outcome, ReportOutcome::Unchecked);
  EXPECT_EQ(rows[0].reason, reason);
  EXPECT_EQ(rows[0].output, dir / "out/deep.xlsx");
  EXPECT_EQ(test::ReadBook(dir / "out/deep.xlsx").value(0, 2, 2), "edited");
  EXPECT_EQ(rows[1].outcome, ReportOutcome::Processed) << rows[1].reason;
  EXPECT_NE(copies.err.find("1 processed (0 vetoed), 0 failed, 0 not started, "), std::string::npos) << copies.err;
  EXPECT_NE(copies.err.find(", 1 unchecked\nwritten without a check: " + dir / "src/deep.xlsx" + "  (" + reason + ")\n"),
            std::string::npos)
      << copies.err;

  const std::string before = test::ReadFile(dir / "src/deep.xlsx");
  const auto inPlace = test::RunBatch({"--source", dir / "src", "--in-place", "--rules", dir / "rules.txt", "--types",
                                       "xlsx", "--jobs", "1", "--report", dir / "in-place.csv", "--log", dir / "log"});
  EXPECT_EQ(inPlace.status, 1) << inPlace.err;
  EXPECT_EQ(ReadReport(dir.path() / "in-place.csv").rows.at(0).outcome, ReportOutcome::Failed);
  EXPECT_TRUE(test::ReadFile(dir / "src/deep.xlsx") == before) << "a workbook that could not be checked was written";
  EXPECT_EQ(test::ReadBook(dir / "src/good.xlsx").value(0, 2, 2), "edited");
}

// Crafted files among good workbooks, one office or two: none takes the run down, each reported, good ones edited.
TEST(UntrustedWorkbooks, CraftedFilesFailAloneAmongGoodWorkbooks) {
  TempDir dir;
  test::MakeBook("xlsx", dir / "book.xlsx");
  const std::string source = dir / "book.xlsx";
  fs::create_directories(dir.path() / "src");
  const std::string workbook = RealWorkbookStream(dir);
  test::WriteCompoundFile(dir / "src/good.xls", {{"Workbook", workbook}});
  WriteLoopingChain(dir / "src/good.xls", dir / "src/chain.xls", workbook.size());
  fs::copy_file(source, dir / "src/a_good.xlsx");
  fs::copy_file(source, dir / "src/z_good.xlsx");
  test::WritePackage(dir, source, dir / "src/word.xlsx", {{"xl/drawings/drawing9.xml", "<" + std::string(30000, 'w')}});
  test::WritePackage(dir, source, dir / "src/vml.xlsx",
                     {{"xl/drawings/vmlDrawing9.vml",
                       "<xml><x:ClientData ObjectType" + std::string(30000, ' ') + "=\"Note\"/></xml>"}});
  test::WritePackage(dir, source, dir / "src/name.xlsx", {{"xl/media/" + std::string(32000 - 9, 'n'), "x"}});
  test::WritePackage(dir, source, dir / "src/nosheet.xlsx", {}, {}, {"xl/worksheets/sheet2.xml"});
  test::WritePackage(dir, source, dir / "src/norelated.xlsx", {},
                     {{"[Content_Types].xml", "/xl/worksheets/sheet2.xml", "/xl/worksheets/sheet1.xml"}},
                     {"xl/worksheets/sheet2.xml"});  // only the relationships name it
  std::ofstream(dir / "rules.txt") << "2|B|edited\n";

  const std::string differs = "the saved workbook differs from its source outside the rules' cells";
  const struct Expected {
    const char* name;
    ReportOutcome outcome;
    std::string reason;
    Lines differences = {};
  } expected[] = {
      {"a_good.xlsx", ReportOutcome::Processed, ""},
      {"chain.xls", ReportOutcome::Failed, "the workbook's container is damaged: a chain of its sectors loops or leaves the file"},
      {"good.xls", ReportOutcome::Processed, ""},
      {"name.xlsx", ReportOutcome::Processed, differs, {"images: 1 → 0"}},
      {"norelated.xlsx", ReportOutcome::Failed,
       "the workbook is damaged: its relationships name the part xl/worksheets/sheet2.xml, which it does not hold"},
      {"nosheet.xlsx", ReportOutcome::Failed,
       "the workbook is damaged: its content types name the part xl/worksheets/sheet2.xml, which it does not hold"},
      {"vml.xlsx", ReportOutcome::Processed, ""}, {"word.xlsx", ReportOutcome::Processed, ""},
      {"z_good.xlsx", ReportOutcome::Processed, ""},
  };
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(std::string("--jobs ") + jobs);
    fs::remove_all(dir.path() / "out");
    auto program = test::StartProgram(SHEETWISE_BATCH_BINARY,
                                      {"--source", dir / "src", "--save", dir / "out", "--rules", dir / "rules.txt",
                                       "--types", "xls,xlsx", "--jobs", jobs, "--report", dir / "report.csv", "--log",
                                       dir / "log"},
                                      true);
    const std::string output = test::ReadOutput(program);
    ASSERT_EQ(test::WaitForExit(program.pid), 1) << output;
    const auto rows = ReadReport(dir.path() / "report.csv").rows;
    ASSERT_EQ(rows.size(), std::size(expected)) << output;
    for (size_t i = 0; i < rows.size(); ++i) {
      const Expected& e = expected[i];
      EXPECT_EQ(fs::path(rows[i].source).filename(), e.name);
      EXPECT_EQ(rows[i].outcome, e.outcome) << e.name << ": " << rows[i].reason;
      EXPECT_EQ(rows[i].reason, e.reason) << e.name;
      EXPECT_EQ(rows[i].differences, e.differences) << e.name;
      if (e.outcome != ReportOutcome::Processed) continue;
      const std::string saved = dir / ("out/" + std::string(e.name));
      const std::string value = fs::path(saved).extension() == ".xls" ? test::ReadWithXlrd(saved).sheets[0].value(2, 2)
                                                                      : test::ReadBook(saved).value(0, 2, 2);
      EXPECT_EQ(value, "edited") << e.name;
    }
  }
}

// Two hundred sheet entries that all point at one sheet of 20,000 cells.
void WriteManySheetsOnOne(const TempDir& dir, const fs::path& target) {
  std::string csv;
  for (int row = 0; row < 1000; ++row) {
    for (int column = 0; column < 20; ++column) csv += std::to_string(row * 20 + column) + (column < 19 ? "," : "\n");
  }
  test::WriteTableWorkbook(dir.path() / "one.xls", csv);
  const std::string stream = test::ReadCompoundStream(dir.path() / "one.xls", "Workbook");
  const auto u16 = [&](size_t at) {
    return static_cast<unsigned char>(stream[at]) | static_cast<unsigned char>(stream[at + 1]) << 8;
  };
  size_t at = 0;
  while (u16(at) != 0x0085) at += 4 + u16(at + 2);  // the sheet's entry
  const size_t oldSize = 4 + u16(at + 2);
  const uint32_t oldPosition = static_cast<uint32_t>(u16(at + 4) | u16(at + 6) << 16);
  std::string entries;
  for (int i = 1; i <= 200; ++i) {
    const std::string name = "S" + std::to_string(i);
    std::string record = std::string("\x85\0", 2) + std::string(2, '\0') + std::string(4, '\0') +
                         std::string("\0\0", 2) + static_cast<char>(name.size()) + '\0' + name;
    record[2] = static_cast<char>(record.size() - 4);
    entries += record;
  }
  const uint32_t position = oldPosition + static_cast<uint32_t>(entries.size() - oldSize);
  for (size_t r = 0; r < entries.size(); r += 4 + static_cast<unsigned char>(entries[r + 2])) {
    for (int b = 0; b < 4; ++b) entries[r + 4 + b] = static_cast<char>(position >> (8 * b));
  }
  test::WriteCompoundFile(target, {{"Workbook", stream.substr(0, at) + entries + stream.substr(at + oldSize)}});
}

// The program's peak resident memory while it runs, from /proc.
size_t PeakMegabytesUntilExit(pid_t pid, int& status) {
  size_t peak = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("VmHWM:")) peak = std::max<size_t>(peak, std::stoul(line.substr(6)) / 1024);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return peak;
}

// Many sheets on one: too large to check in budget, so not written in place; the program stays under 400 MB.
TEST(UntrustedWorkbooks, ManySheetsOnOneAreNotCheckedBeyondTheBudget) {
  TempDir dir;
  WriteManySheetsOnOne(dir, dir.path() / "src/book.xls");
  const std::string before = test::ReadFile(dir / "src/book.xls");
  std::ofstream(dir / "rules.txt") << "1|A|edited\n";
  auto program = test::StartProgram(SHEETWISE_BATCH_BINARY,
                                    {"--source", dir / "src", "--rules", dir / "rules.txt", "--in-place", "--sheet",
                                     "S1", "--jobs", "1", "--log", dir / "log"},
                                    true);
  int status = 0;
  const size_t peak = PeakMegabytesUntilExit(program.pid, status);
  const std::string output = test::ReadOutput(program);
  EXPECT_EQ(WEXITSTATUS(status), 1) << output;
  EXPECT_NE(output.find("no check possible: the source cannot be read: it holds more than 1000000 cells"),
            std::string::npos)
      << output;
  EXPECT_TRUE(test::ReadFile(dir / "src/book.xls") == before) << "the workbook was written";
  EXPECT_LT(peak, 400u);
}

}  // namespace
}  // namespace sheetwise::batch

// Offices run under a memory limit: a workbook needing more fails alone, the run goes on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "BatchRun.h"
#include "BookSnapshot.h"
#include "TestPaths.h"
#include "host/OfficeMemoryLimit.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// Half the machine's memory among the offices, never below the floor.
TEST(OfficeMemory, TheDefaultIsAShareOfTheMachineNeverBelowTheFloor) {
  const std::tuple<std::uint64_t, int, std::uint64_t> cases[] = {
      {24 * kGiB, 2, 6 * kGiB}, {24 * kGiB, 1, 12 * kGiB}, {24 * kGiB, 0, 12 * kGiB},
      {4 * kGiB, 4, host::kOfficeMemoryFloor}, {0, 1, host::kOfficeMemoryFloor}};
  for (const auto& [total, offices, limit] : cases)
    EXPECT_EQ(host::DefaultOfficeMemoryLimit({total, total / 2}, offices), limit) << total << " / " << offices;
}

// The report's line for a source, found by its file name.
std::string ReportLine(const std::string& report, const std::string& name) {
  for (const std::string& line : test::SplitLines(report))
    if (line.find("/" + name + ",") != std::string::npos) return line;
  return "";
}

// A whole-grid workbook is processed or fails with the limit's reason; rows repeated to the last
// row fail so; a new office then processes the next. Saves are read back.
TEST(OfficeMemory, AWorkbookPastTheLimitFailsAloneAndTheNextIsProcessed) {
  TempDir dir;
  fs::create_directories(dir / "src");
  test::MakeBook("xlsx-grid", dir / "src/a_grid.xlsx");
  test::MakeBook("ods-repeated-rows", dir / "src/b_rows.ods");
  test::MakeBook("xlsx", dir / "src/c_good.xlsx");
  std::ofstream(dir / "rules.txt") << "2|B|edited\n";
  const auto run = test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out",
                                   "--types", "all", "--jobs", "1", "--office-memory", "1024", "--report",
                                   dir / "run.csv", "--log", dir / "log", "--quiet"});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string report = test::ReadFile(dir / "run.csv");
  const std::string limit = "too large for the office's memory limit (1024 MB)";
  const std::string grid = ReportLine(report, "a_grid.xlsx");
  if (grid.find(",processed,") != std::string::npos) {
    const auto saved = test::ReadBook(dir / "out/a_grid.xlsx");
    EXPECT_EQ(saved.value(0, 2, 2), "edited");
    EXPECT_EQ(saved.value(0, 1048576, 1), "last row");
  } else {
    EXPECT_NE(grid.find(limit), std::string::npos) << report;
  }
  EXPECT_NE(ReportLine(report, "b_rows.ods").find(",failed,,the workbook is " + limit), std::string::npos) << report;
  EXPECT_NE(ReportLine(report, "c_good.xlsx").find(",processed,"), std::string::npos) << report;
  EXPECT_EQ(test::ReadBook(dir / "out/c_good.xlsx").value(0, 2, 2), "edited");
  EXPECT_FALSE(fs::exists(dir / "out/b_rows.ods"));
}

}  // namespace
}  // namespace sheetwise::batch

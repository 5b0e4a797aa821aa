#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"
#include "host/ProcFs.h"

namespace sheetwise {
namespace {
namespace fs = std::filesystem;
using host::OpenMode;
using test::Corpus;
using test::ReadWithXlrd;
using test::SharedHost;
using test::TempDir;

TEST(LibreOfficeHost, OpensAndSavesACopyThatAnotherReaderReads) {
  TempDir dir;
  const std::string source = dir.copyCorpus("complex_merged_cells.xls", "in.xls");
  const auto before = fs::last_write_time(source);
  {
    auto book = SharedHost().open(source, OpenMode::Edit);
    book->saveAs(dir / "out.xls");
  }
  EXPECT_EQ(fs::last_write_time(source), before);
  EXPECT_EQ(dir.listing(), "in.xls\nout.xls\n");
  const auto in = ReadWithXlrd(source);
  const auto out = ReadWithXlrd(dir / "out.xls");
  ASSERT_EQ(out.sheets.size(), in.sheets.size());
  EXPECT_EQ(out.sheets[0].merges.size(), in.sheets[0].merges.size());
}

// The stored active tab, which a hidden load does not report, decides the active sheet.
TEST(LibreOfficeHost, ActiveSheetIsTheOneTheFileStores) {
  const std::pair<const char*, int> files[] = {
      {"cjk_sheetnames_merged_rowheights.xls", 2}, {"cjk_sheetname_second_active.xls", 1},
      {"formulas_10_sheets_active_last.xls", 9},   {"first_sheet_hidden.xls", 1},
      {"freeze_panes_4_sheets.xls", 3},            {"chart_sheet_plus_data.xls", 1},
      {"complex_merged_cells.xls", 0}};
  for (const auto& [name, index] : files) {
    SCOPED_TRACE(name);
    auto book = SharedHost().open(Corpus(name), OpenMode::ReadOnly);
    EXPECT_EQ(book->activeSheet()->name(), book->worksheetAt(index + 1)->name());
  }
}

TEST(LibreOfficeHost, SavedCopyKeepsTheActiveSheet) {
  TempDir dir;
  {
    auto book = SharedHost().open(Corpus("formulas_10_sheets_active_last.xls"), OpenMode::Edit);
    book->saveAs(dir / "out.xls");
  }
  EXPECT_EQ(ReadWithXlrd(dir / "out.xls").activeSheet(), 9);
}

TEST(LibreOfficeHost, RestartsAfterTheOfficeWasKilledFromOutside) {
  TempDir dir;
  SharedHost().start();
  const pid_t office = SharedHost().officePid();
  ASSERT_GT(office, 0);
  ::kill(office, SIGKILL);
  auto book = SharedHost().open(Corpus("row_heights.xls"), OpenMode::Edit);
  book->worksheetAt(1)->setCell(1, 1, "after");
  book->saveAs(dir / "out.xls");
  EXPECT_EQ(ReadWithXlrd(dir / "out.xls").sheets[0].value(1, 1), "after");
  EXPECT_NE(SharedHost().officePid(), office);
}

}  // namespace
}  // namespace sheetwise

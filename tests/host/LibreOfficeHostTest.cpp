#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <atomic>
#include <filesystem>
#include <thread>

#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"
#include "host/ProcFs.h"
#include "host/WorkbookFile.h"

namespace sheetwise {
namespace {
namespace fs = std::filesystem;
using host::OpenMode;
using test::Corpus;
using test::ReadWithXlrd;
using test::SharedHost;
using test::TempDir;

// Every value, formula results too, as another reader sees them, the merges
// and the active sheet: text results must not be written as 0. (On protected
// sheets formulas cannot be entered again, and empty text results there are
// still written as 0.) The source is not touched and nothing else is left.
void ExpectSavedCopiesKeepEverything(const std::vector<std::string>& sources) {
  for (const auto& source : sources) {
    SCOPED_TRACE(source);
    TempDir dir;
    const std::string in = dir.copy(source, "in.xls");
    const auto written = fs::last_write_time(in);
    SharedHost().open(in, OpenMode::Edit)->saveAs(dir / "out.xls");
    EXPECT_EQ(fs::last_write_time(in), written);
    EXPECT_EQ(dir.listing(), "in.xls\nout.xls\n");
    const auto before = ReadWithXlrd(in);
    const auto after = ReadWithXlrd(dir / "out.xls");
    ASSERT_EQ(after.sheets.size(), before.sheets.size());
    for (size_t s = 0; s < before.sheets.size(); ++s) {
      EXPECT_EQ(after.sheets[s].name, before.sheets[s].name);
      EXPECT_EQ(after.sheets[s].merges.size(), before.sheets[s].merges.size());
      for (const auto& [at, cell] : before.sheets[s].cells) {
        if (cell.type == 0 || cell.type == 6) continue;
        EXPECT_EQ(after.sheets[s].value(at.first, at.second), cell.value)
            << "sheet " << s << " row " << at.first << " column " << at.second;
      }
    }
    EXPECT_EQ(after.activeSheet(), before.activeSheet());
  }
}

TEST(LibreOfficeHost, SavedCopiesKeepEverything) {
  ExpectSavedCopiesKeepEverything({test::Fixture("sheets.xls"), test::Fixture("second_active.xls")});
}

TEST(CorpusLibreOfficeHost, SavedCopiesOfRealWorkbooksKeepEverything) {
  SHEETWISE_REQUIRE_CORPUS();
  std::vector<std::string> paths;
  for (const char* name :
       {"styled_formulas_merged_condfmt.xls", "multiline_text_crlf.xls", "realworld_report_7_sheets.xls",
        "cjk_single_sheet_borders_merged.xls", "hidden_and_veryhidden_sheets.xls", "rich_text_runs.xls",
        "wps_office_written.xls", "date1904_system.xls", "japanese_sheetnames_defined_names.xls", "vba_macro.xls",
        "complex_merged_cells.xls"}) {
    paths.push_back(Corpus(name));
  }
  ExpectSavedCopiesKeepEverything(paths);
}

// The stored active tab, which a hidden load does not report, decides the
// active sheet, and a saved copy keeps it.
void ExpectActiveSheets(const std::vector<std::pair<std::string, int>>& files) {
  TempDir dir;
  for (const auto& [path, index] : files) {
    SCOPED_TRACE(path);
    auto book = SharedHost().open(path, OpenMode::Edit);
    EXPECT_EQ(book->activeSheet()->name(), book->worksheetAt(index + 1)->name());
    book->saveAs(dir / "out.xls");
    EXPECT_EQ(ReadWithXlrd(dir / "out.xls").activeSheet(), index);
  }
}

// The fixtures' active sheets: SavedCopiesKeepEverything and WorkbookEngine.
TEST(CorpusLibreOfficeHost, ActiveSheetIsTheOneTheFileStores) {
  SHEETWISE_REQUIRE_CORPUS();
  ExpectActiveSheets({{Corpus("cjk_sheetnames_merged_rowheights.xls"), 2},
                      {Corpus("formulas_10_sheets_active_last.xls"), 9},
                      {Corpus("first_sheet_hidden.xls"), 1},
                      {Corpus("freeze_panes_4_sheets.xls"), 3},
                      {Corpus("chart_sheet_plus_data.xls"), 1}});
}

TEST(LibreOfficeHost, RestartsAfterTheOfficeWasKilledFromOutside) {
  TempDir dir;
  SharedHost().start();
  const pid_t office = SharedHost().officePid();
  ASSERT_GT(office, 0);
  ::kill(office, SIGKILL);
  auto book = SharedHost().open(test::Fixture("sheets.xls"), OpenMode::Edit);
  book->worksheetAt(1)->setCell(1, 1, "after");
  book->saveAs(dir / "out.xls");
  EXPECT_EQ(ReadWithXlrd(dir / "out.xls").sheets[0].value(1, 1), "after");
  EXPECT_NE(SharedHost().officePid(), office);
}

std::string OpenFailure(host::LibreOfficeHost& office, const std::string& path) {
  try {
    office.open(path, OpenMode::Edit);
  } catch (const host::HostError& e) {
    return e.what();
  }
  return "opened";
}

// Each path fails at once with its message and leaves no lock, backup or
// temporary file beside it.
void ExpectOpenFailures(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& cases) {
  const std::string before = dir.listing();
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    const std::string failure = OpenFailure(SharedHost(), path);
    EXPECT_NE(failure.find(message), std::string::npos) << failure;
  }
  EXPECT_EQ(dir.listing(), before);
}

// Which foreign file is which: InspectWorkbookFile's tests. An office that
// cannot start: the batch command's tests.
TEST(LibreOfficeHost, BadFilesFailAtOnceWithWhatTheyAre) {
  TempDir dir;
  dir.copyFixture("sheets.xlsx", "xlsx.xls");
  dir.copyFixture("large.xls", "cut.xls");
  fs::resize_file(dir / "cut.xls", fs::file_size(dir / "cut.xls") / 2);
  ExpectOpenFailures(dir, {{dir / "xlsx.xls", "ZIP archive"}, {dir / "cut.xls", "damaged"}});
}

TEST(CorpusLibreOfficeHost, BadFilesFailAtOnceWithWhatTheyAre) {
  SHEETWISE_REQUIRE_CORPUS();
  TempDir dir;
  ExpectOpenFailures(dir, {{dir.copyCorpus("encrypted_xor_password.xls"), "protected by a password"},
                           {dir.copyCorpus("spreadsheetml2003_renamed_cjk.xls"), "XML Spreadsheet 2003"}});
}

TEST(CorpusLibreOfficeHost, DefaultPasswordWorkbookOpensAndSaves) {
  SHEETWISE_REQUIRE_CORPUS();
  TempDir dir;
  {
    auto book = SharedHost().open(Corpus("encrypted_rc4_default_password.xls"), OpenMode::Edit);
    book->worksheetAt(1)->setCell(1, 1, "opened");
    book->saveAs(dir / "out.xls");
  }
  // Saved with the same built-in protection, so it opens as before.
  EXPECT_TRUE(host::InspectWorkbookFile(dir / "out.xls").encrypted);
  auto again = SharedHost().open(dir / "out.xls", OpenMode::ReadOnly);
  EXPECT_EQ(again->worksheetAt(1)->cellText(1, 1), "opened");
}

TEST(CorpusLibreOfficeHost, OlderFormatsOpenAndSaveAsExcel97) {
  SHEETWISE_REQUIRE_CORPUS();
  TempDir dir;
  const std::string source = dir.copyCorpus("biff7_excel95_invoice.xls", "old.xls");
  {
    auto book = SharedHost().open(source, OpenMode::Edit);
    book->worksheetAt(1)->setCell(1, 1, "saved");
    book->save();
  }
  EXPECT_EQ(ReadWithXlrd(source).sheets[0].value(1, 1), "saved");
  EXPECT_EQ(dir.listing(), "old.xls\n");
}

TEST(LibreOfficeHost, AHangingCallEndsTheOfficeAndTheNextCallWorks) {
  TempDir dir;
  host::HostOptions options;
  options.callLimit = std::chrono::seconds(2);
  host::LibreOfficeHost office(options);
  auto book = office.open(test::Fixture("sheets.xls"), OpenMode::Edit);
  ::kill(office.officePid(), SIGSTOP);  // the office stops answering
  EXPECT_THROW(book->saveAs(dir / "out.xls"), host::HostError);  // the watchdog ends the call
  EXPECT_EQ(dir.listing(), "");
  auto again = office.open(test::Fixture("sheets.xls"), OpenMode::Edit);
  again->saveAs(dir / "out.xls");
  EXPECT_EQ(dir.listing(), "out.xls\n");
}

TEST(LibreOfficeHost, ASaveInterruptedByKillingTheOfficeLeavesTheTargetWhole) {
  TempDir dir;
  const std::string target = dir.copyFixture("sheets.xls", "target.xls");
  const auto size = fs::file_size(target);
  auto book = SharedHost().open(test::Fixture("large.xls"), OpenMode::Edit);
  std::atomic<bool> killed{false};
  std::thread killer([&] {
    // As soon as the hidden save folder appears, the office is ended.
    for (int i = 0; i < 2000 && !killed; ++i) {
      for (const auto& e : fs::directory_iterator(dir.path())) {
        if (e.path().filename().string().rfind(".sheetwise-saving-", 0) == 0) {
          ::kill(SharedHost().officePid(), SIGKILL);
          killed = true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_THROW(book->saveAs(target), host::HostError);
  killer.join();
  EXPECT_TRUE(killed);
  EXPECT_EQ(fs::file_size(target), size);
  EXPECT_EQ(dir.listing(), "target.xls\n");
}

}  // namespace
}  // namespace sheetwise

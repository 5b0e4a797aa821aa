#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <atomic>
#include <filesystem>
#include <fstream>
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

std::string OpenFailure(host::LibreOfficeHost& office, const std::string& path) {
  try {
    office.open(path, OpenMode::Edit);
  } catch (const host::HostError& e) {
    return e.what();
  }
  return "opened";
}

TEST(LibreOfficeHost, BadFilesFailAtOnceWithWhatTheyAre) {
  TempDir dir;
  const std::pair<std::string, std::string> cases[] = {
      {dir.copyCorpus("encrypted_xor_password.xls"), "protected by a password"},
      {dir.copyCorpus("xlsx_renamed.xls"), "ZIP archive"},
      {dir.copyCorpus("spreadsheetml2003_renamed_cjk.xls"), "XML Spreadsheet 2003"},
      {dir / "missing.xls", "does not exist"},
  };
  std::ofstream(dir / "empty.xls");
  std::ofstream(dir / "table.xls") << "<table><tr><td>1</td></tr></table>";
  std::ofstream(dir / "notes.xls") << "just some text\n";
  fs::copy_file(Corpus("long_4000_rows_borders.xls"), dir / "cut.xls");
  fs::resize_file(dir / "cut.xls", fs::file_size(dir / "cut.xls") / 2);
  const std::string before = dir.listing();
  for (const auto& [path, message] : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(OpenFailure(SharedHost(), path).find(message), std::string::npos) << OpenFailure(SharedHost(), path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  }
  EXPECT_NE(OpenFailure(SharedHost(), dir / "empty.xls").find("empty file"), std::string::npos);
  EXPECT_NE(OpenFailure(SharedHost(), dir / "table.xls").find("HTML"), std::string::npos);
  EXPECT_NE(OpenFailure(SharedHost(), dir / "notes.xls").find("text file"), std::string::npos);
  EXPECT_NE(OpenFailure(SharedHost(), dir / "cut.xls").find("damaged"), std::string::npos);
  EXPECT_EQ(dir.listing(), before);  // no lock, backup or temporary file
}

TEST(LibreOfficeHost, DefaultPasswordWorkbookOpensAndSaves) {
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

TEST(LibreOfficeHost, OlderFormatsOpenAndSaveAsExcel97) {
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

TEST(LibreOfficeHost, ReadsCellValuesAsText) {
  auto book = SharedHost().open(Corpus("long_4000_rows_borders.xls"), OpenMode::ReadOnly);
  auto sheet = book->worksheetAt(1);
  EXPECT_EQ(sheet->cellText(1, 1), "Date");
  EXPECT_EQ(sheet->cellText(2, 1), "2014-05-15");
  EXPECT_EQ(sheet->cellText(2, 6), "65");
  EXPECT_EQ(sheet->cellText(1, 200), "");
  auto errors = SharedHost().open(Corpus("error_values_formulas.xls"), OpenMode::ReadOnly)->worksheetAt(1);
  EXPECT_THROW(errors->cellText(2, 2), host::HostError);
  EXPECT_THROW(sheet->cellText(0, 1), host::HostError);
}

TEST(LibreOfficeHost, SavingKeepsEveryValueOfRealWorkbooks) {
  // Formula results too: text results must not be written as 0. (On protected
  // sheets formulas cannot be entered again, and empty text results there are
  // still written as 0.)
  TempDir dir;
  for (const char* name : {"styled_formulas_merged_condfmt.xls", "multiline_text_crlf.xls",
                           "realworld_report_7_sheets.xls", "cjk_single_sheet_borders_merged.xls",
                           "hidden_and_veryhidden_sheets.xls", "rich_text_runs.xls", "wps_office_written.xls",
                           "date1904_system.xls", "japanese_sheetnames_defined_names.xls", "vba_macro.xls"}) {
    SCOPED_TRACE(name);
    SharedHost().open(Corpus(name), OpenMode::Edit)->saveAs(dir / "out.xls");
    const auto before = ReadWithXlrd(Corpus(name));
    const auto after = ReadWithXlrd(dir / "out.xls");
    ASSERT_EQ(after.sheets.size(), before.sheets.size());
    for (size_t s = 0; s < before.sheets.size(); ++s) {
      EXPECT_EQ(after.sheets[s].name, before.sheets[s].name);
      for (const auto& [at, cell] : before.sheets[s].cells) {
        if (cell.type == 0 || cell.type == 6) continue;
        EXPECT_EQ(after.sheets[s].value(at.first, at.second), cell.value)
            << "sheet " << s << " row " << at.first << " column " << at.second;
      }
    }
    EXPECT_EQ(after.activeSheet(), before.activeSheet());
  }
}

TEST(LibreOfficeHost, AMissingOfficeIsReportedAsUnavailable) {
  host::HostOptions options;
  options.officeProgramDir = "/nonexistent/libreoffice/program";
  host::LibreOfficeHost office(options);
  try {
    office.open(Corpus("row_heights.xls"), OpenMode::ReadOnly);
    FAIL() << "opened without an office";
  } catch (const host::HostUnavailable& e) {
    EXPECT_NE(std::string(e.what()).find("LibreOffice could not be started"), std::string::npos) << e.what();
  }
}

TEST(LibreOfficeHost, AHangingCallEndsTheOfficeAndTheNextCallWorks) {
  TempDir dir;
  host::HostOptions options;
  options.callLimit = std::chrono::seconds(2);
  host::LibreOfficeHost office(options);
  auto book = office.open(Corpus("row_heights.xls"), OpenMode::Edit);
  ::kill(office.officePid(), SIGSTOP);  // the office stops answering
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(book->saveAs(dir / "out.xls"), host::HostError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(dir.listing(), "");
  auto again = office.open(Corpus("row_heights.xls"), OpenMode::Edit);
  again->saveAs(dir / "out.xls");
  EXPECT_EQ(dir.listing(), "out.xls\n");
}

TEST(LibreOfficeHost, ASaveInterruptedByKillingTheOfficeLeavesTheTargetWhole) {
  TempDir dir;
  const std::string target = dir.copyCorpus("complex_merged_cells.xls", "target.xls");
  const auto size = fs::file_size(target);
  auto book = SharedHost().open(Corpus("rows_65536_max.xls"), OpenMode::Edit);
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

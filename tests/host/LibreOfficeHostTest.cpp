#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "BookSnapshot.h"
#include "ErrorText.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"
#include "host/WorkbookFile.h"

namespace sheetwise {
namespace {
namespace fs = std::filesystem;
using host::OpenMode;
using test::ErrorText;
using test::SharedHost;
using test::TempDir;

// Saves a copy with one far edit; every value (text results not as 0), each cell's font runs (no
// Asian run merged into its neighbour) and the active sheet must be kept. Returns the rich cells.
size_t ExpectSavedCopyKeepsAll(const std::string& source) {
  TempDir dir;
  const std::string in = dir.copy(source, "in.xls");
  const auto before = test::ReadWithXlrd(in);
  auto book = SharedHost().open(in, OpenMode::Edit);
  EXPECT_EQ(book->activeSheet()->name(), before.sheets[before.activeSheet()].name);
  book->activeSheet()->range("200:200")->setRowHeight(20);
  book->saveAs(dir / "out.xls");
  EXPECT_EQ(dir.listing(), "in.xls\nout.xls\n");
  const auto after = test::ReadWithXlrd(dir / "out.xls");
  EXPECT_EQ(after.activeSheet(), before.activeSheet());
  EXPECT_EQ(after.sheets.size(), before.sheets.size());
  size_t rich = 0;
  for (size_t s = 0; s < std::min(before.sheets.size(), after.sheets.size()); ++s) {
    EXPECT_EQ(after.sheets[s].name, before.sheets[s].name);
    for (const auto& [at, cell] : before.sheets[s].cells) {
      const auto* now = after.sheets[s].cell(at.first, at.second);
      const std::string where = "sheet " + std::to_string(s) + " row " + std::to_string(at.first) + " column " +
                                std::to_string(at.second);
      EXPECT_EQ(after.sheets[s].value(at.first, at.second), cell.value) << where;
      if (cell.runs.empty()) continue;
      ++rich;
      EXPECT_EQ(now ? now->runs : "(no cell)", cell.runs) << where;
    }
  }
  return rich;
}

// A flat spreadsheet declaring the namespaces these tests use around body.
std::string Fods(const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">)" +
         body + "</office:document>";
}

// Chinese and Latin runs in fonts of their own inside cells in another font; a red word.
const std::string kRichText = Fods(R"(<office:font-face-decls><style:font-face style:name="宋体" svg:font-family="宋体"/>
 <style:font-face style:name="Arial" svg:font-family="Arial"/>
 <style:font-face style:name="Times New Roman" svg:font-family="'Times New Roman'"/></office:font-face-decls>
<office:styles><style:default-style style:family="table-cell"><style:text-properties style:font-name="Arial"
 style:font-name-asian="Arial" style:font-name-complex="Arial"/></style:default-style></office:styles>
<office:automatic-styles>
 <style:style style:name="song" style:family="text"><style:text-properties style:font-name="宋体"
  style:font-name-asian="宋体" style:font-name-complex="宋体"/></style:style>
 <style:style style:name="times" style:family="text"><style:text-properties style:font-name="Times New Roman"
  style:font-name-asian="Times New Roman"/></style:style>
 <style:style style:name="red" style:family="text"><style:text-properties fo:color="#ff0000"/></style:style>
 <style:style style:name="songcell" style:family="table-cell"><style:text-properties style:font-name="宋体"
  style:font-name-asian="宋体" style:font-name-complex="宋体"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Sheet1">
 <table:table-row><table:table-cell office:value-type="string"><text:p>Total <text:span
  text:style-name="song">合计</text:span> units</text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p>一个<text:span
  text:style-name="red">红</text:span>字</text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p>中文 <text:span
  text:style-name="times">English</text:span> 中文</text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell table:style-name="songcell" office:value-type="string"><text:p>价格<text:span
  text:style-name="times">USD</text:span>元</text:p></table:table-cell></table:table-row></table:table>
</office:spreadsheet></office:body>)");

TEST(LibreOfficeHost, SavedCopiesKeepEverything) {
  for (const char* name : {"sheets.xls", "second_active.xls"}) ExpectSavedCopyKeepsAll(test::Fixture(name));
  TempDir dir;
  test::WriteFlatWorkbook(dir / "rich.xls", kRichText);
  EXPECT_EQ(ExpectSavedCopyKeepsAll(dir / "rich.xls"), 4u);
}

// Real workbooks: protected sheets, hidden first sheets, Chinese/Latin runs differing in font.
TEST(CorpusLibreOfficeHost, SavedCopiesOfRealWorkbooksKeepEverything) {
  SHEETWISE_REQUIRE_CORPUS();
  size_t rich = 0;
  for (const char* name : {"styled_formulas_merged_condfmt.xls",
      "multiline_text_crlf.xls", "rich_text_runs.xls", "vba_macro.xls", "realworld_report_7_sheets.xls",
      "cjk_single_sheet_borders_merged.xls", "date1904_system.xls", "hidden_and_veryhidden_sheets.xls",
      "wps_office_written.xls", "japanese_sheetnames_defined_names.xls", "complex_merged_cells.xls",
      "first_sheet_hidden.xls", "cjk_sheetnames_merged_rowheights.xls", "freeze_panes_4_sheets.xls"}) {
    SCOPED_TRACE(name);
    rich += ExpectSavedCopyKeepsAll(test::Corpus(name));
  }
  EXPECT_GT(rich, 20u);
}

// Cells as the sheet shows them, one by one and as the used area: dates (1904 ones too), times,
// truth values; a used area of the whole grid is refused at once, naming its size.
TEST(LibreOfficeHost, CellsReadAsTheSheetShowsThem) {
  TempDir dir;
  test::WriteTableWorkbook(dir / "values.xls", "ok,2024-01-31,12:30:00,TRUE,2.5\n");
  const auto book = SharedHost().open(dir / "values.xls", OpenMode::Edit);
  const auto sheet = book->worksheet("Sheet1");
  const std::vector<std::string> formulas = {"=\"a\"&\"b\"", "=A1", "=1+1", "=TRUE()"};
  for (int column = 1; column <= 4; ++column) sheet->setCell(2, column, formulas[column - 1]);
  const std::vector<std::vector<std::string>> shown = {{"ok", "2024-01-31", "12:30:00", "TRUE", "2.5"},
                                                       {"ab", "ok", "2", "TRUE", ""}};
  EXPECT_EQ(sheet->usedTable(), shown);
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 5; ++column) {
      EXPECT_EQ(sheet->cellText(row, column), shown[row - 1][column - 1]) << "row " << row << ", column " << column;
    }
  }
  test::MakeBook("xlsx-grid", dir / "grid.xlsx");
  const auto grid = SharedHost().open(dir / "grid.xlsx", OpenMode::ReadOnly);
  EXPECT_EQ(ErrorText<host::HostError>([&] { grid->worksheet("Sheet1")->usedTable(); }),
            "the sheet's used area (1048576 rows by 16384 columns) is larger than a table may be");
  test::WriteFlatWorkbook(dir / "1904.xls", Fods(R"(<office:automatic-styles><number:date-style style:name="iso"><number:year number:style="long"/><number:text>-</number:text>
 <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <style:style style:name="day" style:family="table-cell" style:data-style-name="iso"/></office:automatic-styles>
<office:body><office:spreadsheet><table:calculation-settings><table:null-date table:date-value="1904-01-01"/>
 </table:calculation-settings><table:table table:name="Sheet1"><table:table-row><table:table-cell
 table:style-name="day" office:value-type="date" office:date-value="2024-01-31"/></table:table-row></table:table>
</office:spreadsheet></office:body>)"));
  EXPECT_EQ(SharedHost().open(dir / "1904.xls", OpenMode::ReadOnly)->worksheet("Sheet1")->cellText(1, 1), "2024-01-31");
}

// A flat spreadsheet of `count` sheets, "Sheet1" to "SheetN".
std::string ManySheets(int count) {
  std::string sheets;
  for (int i = 1; i <= count; ++i) {
    sheets += "<table:table table:name=\"Sheet" + std::to_string(i) + "\"><table:table-row><table:table-cell/>"
              "</table:table-row></table:table>";
  }
  return Fods("<office:body><office:spreadsheet>" + sheets + "</office:spreadsheet></office:body>");
}

// Sheets by name in any letter case or by position, before and after an edit and in many sheets.
TEST(LibreOfficeHost, SheetsAreFoundByNameInAnyLetterCaseOrByPosition) {
  const auto expectSheets = [](host::Workbook& book) {
    EXPECT_EQ(book.worksheet("sheet1")->name(), "Sheet1");
    EXPECT_EQ(book.worksheet("数据")->name(), "数据");
    EXPECT_EQ(book.worksheetAt(3)->name(), "第三页");
    EXPECT_EQ(book.activeSheet()->name(), "数据");
    for (const int position : {0, 4}) {
      const std::string said = ErrorText<host::HostError>([&] { book.worksheetAt(position); });
      EXPECT_NE(said.find("no sheet number " + std::to_string(position)), std::string::npos) << said;
    }
    EXPECT_THROW(book.worksheet("Sheet4"), host::HostError);
  };
  const auto book = SharedHost().open(test::Fixture("second_active.xls"), OpenMode::Edit);
  expectSheets(*book);
  book->worksheetAt(3)->range("200:200")->setRowHeight(20);
  expectSheets(*book);
  // A renamed sheet is found by its new name alone.
  book->worksheet("Sheet1")->rename("First");
  EXPECT_EQ(book->worksheet("FIRST")->name(), "First");
  EXPECT_THROW(book->worksheet("Sheet1"), host::HostError);

  TempDir dir;
  test::WriteFlatWorkbook(dir / "many.xls", ManySheets(20));
  const auto many = SharedHost().open(dir / "many.xls", OpenMode::ReadOnly);
  EXPECT_EQ(many->worksheet("SHEET20")->name(), "Sheet20");
  EXPECT_EQ(many->worksheetAt(17)->name(), "Sheet17");
  EXPECT_EQ(many->activeSheet()->name(), "Sheet1");
  EXPECT_THROW(many->worksheetAt(21), host::HostError);
  EXPECT_THROW(many->worksheet("Sheet21"), host::HostError);
}

std::string OpenFailure(const std::string& path) {
  return ErrorText<host::HostError>([&] { SharedHost().open(path, OpenMode::Edit); });
}

// Each bad file fails at once saying what it is, and leaves no lock, backup or temporary file.
TEST(LibreOfficeHost, BadFilesFailAtOnceWithWhatTheyAre) {
  TempDir dir;
  std::ofstream(dir / "page.xls") << "<html><body><table><tr><td>1</td></tr></table></body></html>";
  std::ofstream(dir / "empty.xls");
  test::MakeBook("zip", dir / "xlsx.xls");
  dir.copyFixture("large.xls", "cut.xls");
  fs::resize_file(dir / "cut.xls", fs::file_size(dir / "cut.xls") / 2);
  const std::string before = dir.listing();
  const std::pair<std::string, std::string> cases[] = {
      {"xlsx.xls", "is a ZIP archive that holds no workbook"}, {"page.xls", "is an HTML file"}, {"empty.xls", "is an empty file"},
      {"cut.xls", "damaged"},           {"missing.xls", "does not exist"}};
  for (const auto& [name, message] : cases) {
    const std::string failure = OpenFailure(dir / name);
    EXPECT_NE(failure.find(message), std::string::npos) << "case " << name << ": " << failure;
  }
  EXPECT_EQ(dir.listing(), before);
}

// A password is refused without a dialog; the default password, Excel 95 and 4 save in place as 97.
TEST(CorpusLibreOfficeHost, PasswordsAndOlderFormats) {
  SHEETWISE_REQUIRE_CORPUS();
  TempDir dir;
  const std::string refused = OpenFailure(dir.copyCorpus("encrypted_xor_password.xls"));
  EXPECT_NE(refused.find("protected by a password"), std::string::npos) << refused;
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"encrypted_rc4_default_password.xls", true, "MS Excel 97"},
      {"biff7_excel95_invoice.xls", false, "MS Excel 95"},
      {"biff4_excel4_worksheet.xls", false, "MS Excel 4.0"}};
  for (const auto& [name, encrypted, filter] : cases) {
    const std::string path = dir.copyCorpus(name);
    EXPECT_EQ(host::InspectWorkbookFile(path).filterName, filter) << "case " << name;
    {
      auto book = SharedHost().open(path, OpenMode::Edit);
      book->worksheetAt(1)->setCell(1, 1, "saved");
      book->save();
    }
    const auto info = host::InspectWorkbookFile(path);
    EXPECT_EQ(info.filterName, "MS Excel 97") << "case " << name;
    EXPECT_EQ(info.encrypted, encrypted) << "case " << name;
    EXPECT_EQ(SharedHost().open(path, OpenMode::ReadOnly)->worksheetAt(1)->cellText(1, 1), "saved")
        << "case " << name;
  }
}

// Held edits are sent before reads; the first refused names its number and later edits are not made.
TEST(LibreOfficeHost, HeldEditsAreSentBeforeReadsAndAFailureNamesItsEdit) {
  TempDir dir;
  auto book = SharedHost().open(dir.copyFixture("sheets.xls", "book.xls"), OpenMode::Edit);
  const auto sheet = book->worksheet("Sheet1");
  book->holdEdits();
  sheet->setCell(12, 1, "一");
  EXPECT_EQ(sheet->cellText(12, 1), "一");
  sheet->setCell(12, 2, "二");
  sheet->setCell(12, 3, "=1+*2");
  sheet->setCell(12, 4, "四");
  EXPECT_EQ(book->editsMade(), 4u);
  try {
    book->sendEdits();
    ADD_FAILURE() << "the refused formula was not reported";
  } catch (const host::HeldEditFailed& e) {
    EXPECT_EQ(std::tie(e.first, e.last), std::tuple(2u, 2u));
    EXPECT_STREQ(e.what(), "not a formula the spreadsheet understands: =1+*2");
  }
  EXPECT_EQ(sheet->cellText(12, 2), "二");
  EXPECT_EQ(sheet->cellText(12, 4), "");
}

// Stops the whole process group of the host's office, so that nothing of it can answer.
void StopOffice(host::LibreOfficeHost& office) {
  const auto started = office.startedOffice();
  ASSERT_TRUE(started);
  ASSERT_GT(started->processGroup, 0);  // 0 would signal this test's own process group
  ::kill(-started->processGroup, SIGSTOP);
}

// A hanging office is ended by the watchdog, a killed one replaced; the next call works either way.
TEST(LibreOfficeHost, RecoversFromAHangingOrAKilledOffice) {
  TempDir dir;
  host::HostOptions options;
  options.callLimit = std::chrono::seconds(2);
  host::LibreOfficeHost office(options);
  auto held = office.open(test::Fixture("sheets.xls"), OpenMode::Edit);
  auto sheet = held->activeSheet();
  held->holdEdits();
  sheet->range("2:2")->insertRows();
  sheet->range("A12:B12")->mergeCentred();
  StopOffice(office);
  try {
    held->sendEdits();
    ADD_FAILURE() << "the hanging office was not reported";
  } catch (const host::HeldEditFailed& e) {
    EXPECT_EQ(std::tie(e.first, e.last), std::tuple(0u, 1u));
    EXPECT_NE(std::string(e.what()).find("while trying to insert rows at 2:2, then merge A12:B12"), std::string::npos)
        << e.what();
  }
  held.reset();
  sheet.reset();
  const auto book = office.open(test::Fixture("sheets.xls"), OpenMode::Edit);
  StopOffice(office);
  EXPECT_THROW(book->saveAs(dir / "out.xls"), host::HostError);
  EXPECT_EQ(dir.listing(), "");
  office.start();
  const pid_t killed = office.officePid();
  ASSERT_GT(killed, 0);
  ::kill(killed, SIGKILL);
  office.open(test::Fixture("sheets.xls"), OpenMode::Edit)->saveAs(dir / "out.xls");
  EXPECT_EQ(dir.listing(), "out.xls\n");
}

// An office killed mid-save leaves the old target whole and no hidden folder.
TEST(LibreOfficeHost, ASaveInterruptedByKillingTheOfficeLeavesTheTargetWhole) {
  TempDir dir;
  const std::string target = dir.copyFixture("sheets.xls", "target.xls");
  const auto size = fs::file_size(target);
  auto book = SharedHost().open(test::Fixture("large.xls"), OpenMode::Edit);
  const pid_t office = SharedHost().officePid();
  ASSERT_GT(office, 0);
  std::atomic<bool> killed{false};
  std::thread killer([&] {
    for (int i = 0; i < 2000 && !killed; ++i) {
      if (std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) > 1) {
        killed = ::kill(office, SIGKILL) == 0;
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

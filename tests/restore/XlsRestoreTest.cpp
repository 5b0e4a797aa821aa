// What the office drops from an .xls and the program puts back from the
// source after the save (very hidden sheets, another writer's streams, a macro
// storage without a project record, results the office computes anew, truth
// and error constants it makes formulas), read
// back by xlrd; and a put-back part or a cell changed afterwards is still
// reported by the check.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "CompoundFile.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/RuleFootprint.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Another writer's private stream, long enough for regular sectors, found in a file by its start.
const std::string kForeign = "another-writer-data:" + std::string(5000, 'x');

// Sheets "Data" (A1:A300 texts, B1 =21*2, C1 TRUE, D1 ="x"&"y"; a print area
// and row 1 as print titles) and "Secret".
std::string TwoSheets() {
  std::string rows = R"(<table:table-header-rows><table:table-row><table:table-cell office:value-type="string">
 <text:p>row 1</text:p></table:table-cell><table:table-cell table:formula="of:=21*2" office:value-type="float"
 office:value="42"/><table:table-cell office:value-type="boolean" office:boolean-value="true"/><table:table-cell
 table:formula="of:=&quot;x&quot;&amp;&quot;y&quot;" office:value-type="string" office:string-value="xy"/>
 </table:table-row></table:table-header-rows>)";
  for (int row = 2; row <= 300; ++row) {
    rows += "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>row " + std::to_string(row) +
            "</text:p></table:table-cell></table:table-row>";
  }
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Data" table:print-ranges="Data.A1:Data.D300">)" +
         rows + R"(</table:table><table:table table:name="Secret"><table:table-row><table:table-cell
 office:value-type="string"><text:p>secret</text:p></table:table-cell></table:table-row></table:table>
</office:spreadsheet></office:body></office:document>)";
}

// Where, in a file or workbook stream, the BOUNDSHEET record of sheet "Secret" keeps its visibility.
size_t SecretVisibilityAt(const std::string& bytes) {
  const size_t name = bytes.find(std::string("\6\0Secret", 8));  // its length and flags, then the name
  if (name == std::string::npos) throw std::runtime_error("no sheet \"Secret\"");
  return name - 2;
}

// A number as a FORMULA record stores its result.
std::string Double(double value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

// A BOOLERR record of TRUE in column C of a row (from 0), in a format.
std::string BoolErrRecord(char row, const std::string& format) {
  return std::string("\x05\x02\x08\x00", 4) + row + std::string("\0\x02\0", 3) + format + "\x01" + '\0';
}

class XlsRestore : public ::testing::Test {
 protected:
  XlsRestore() {
    // A workbook as another writer makes it: "Secret" very hidden, a private stream.
    test::WriteFlatWorkbook(dir / "made.xls", TwoSheets());
    std::string book = test::ReadCompoundStream(dir / "made.xls", "Workbook");
    book[SecretVisibilityAt(book)] = 2;
    // Stored results the office computes otherwise: B1 43; D1 the text "zz",
    // marked in its FORMULA record and held by a STRING record after it.
    book.replace(book.find(Double(42)), 8, Double(43));
    const std::string concatenation("\x17\1\0x\x17\1\0y\x08", 9);  // "x" "y" &: the record's last bytes
    const size_t d1 = book.find(concatenation);
    book.replace(d1 - 22 + 6, 8, std::string("\0\0\0\0\0\0\xff\xff", 8));
    book.insert(d1 + concatenation.size(), std::string("\x07\x02\x05\0\x02\0\0zz", 9));
    // The first column width 0, as some writers hide a column; the office writes it hidden.
    const size_t colInfo = book.find(std::string("\x7d\x00\x0c\x00", 4), SecretVisibilityAt(book));
    book.replace(colInfo + 8, 2, std::string(2, '\0'));
    // C1 TRUE as a truth constant (BOOLERR), two bytes shorter than the office's
    // number 1 (RK); "Secret" starts seven bytes later in all.
    const size_t rk = book.find(std::string("\x7e\x02\x0a\x00\x00\x00\x02\x00", 8));
    book.replace(rk, 14, BoolErrRecord(0, book.substr(rk + 8, 2)));
    uint32_t secretStart = 0;  // its BOUNDSHEET record's first field
    std::memcpy(&secretStart, &book[SecretVisibilityAt(book) - 4], 4);
    secretStart += 7;
    std::memcpy(&book[SecretVisibilityAt(book) - 4], &secretStart, 4);
    test::WriteCompoundFile(pristine, {{"Workbook", book}, {"ETExtData", kForeign}});
    settings.sheetName = "Data";
    settings.naming.sourceFolder = dir / "in/";
    settings.naming.saveFolder = dir / "out/";
    settings.rules = rules::ParseRules({rule}, false);
    fs::create_directories(dir.path() / "in");
    fs::create_directories(dir.path() / "out");
  }

  WorkbookResult process(const std::string& name) {
    fs::copy_file(pristine, dir / ("in/" + name));
    return engine.ProcessWorkbook(dir / ("in/" + name), settings);
  }

  test::TempDir dir;
  const std::string pristine = dir / "pristine.xls";
  const std::string rule = "301|A|edited";
  RunSettings settings;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Saved in a copy and in place, the workbook keeps its very hidden sheet
// (also renamed by a rule), the other writer's stream byte for byte, B1's
// and D1's stored results and C1's constant, also where a rule moved them,
// and its built-in names without names of their spelling besides.
TEST_F(XlsRestore, WhatTheOfficeDropsIsKept) {
  const auto before = test::ReadWithXlrd(pristine);
  ASSERT_EQ(before.sheets.at(1).visibility, 2);
  ASSERT_EQ(before.names, (Lines{"Print_Area 0 1", "Print_Titles 0 1"}));
  struct Case {
    const char* name;
    bool inPlace;
    const char* rule;
    int firstRow = 1;  // where row 1 is after the rule
    const char* sheet = "Data";
  };
  const Case cases[] = {{"copy.xls", false, "301|A|edited"},
                        {"in-place.xls", true, "301|A|edited"},
                        {"moved.xls", false, "{插入行}|正行|1", 2},
                        {"renamed.xls", false, "{表名}|Renamed", 1, "Secret"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings.inPlace = c.inPlace;
    settings.sheetName = c.sheet;
    settings.rules = rules::ParseRules({c.rule}, false);
    const auto result = process(c.name);
    EXPECT_EQ(result.outcome, Outcome::Processed) << result.reason;
    EXPECT_EQ(result.differences, Lines{});
    EXPECT_EQ(result.output, dir / ((c.inPlace ? "in/" : "out/") + std::string(c.name)));
    const auto after = test::ReadWithXlrd(result.output);
    EXPECT_EQ(after.sheets.at(0).value(c.firstRow, 1), "row 1");
    EXPECT_EQ(after.sheets.at(0).value(c.firstRow, 2), "43");
    EXPECT_EQ(after.sheets.at(0).value(c.firstRow, 4), "zz");
    const std::string written = test::ReadCompoundStream(result.output, "Workbook");
    EXPECT_NE(written.find(BoolErrRecord(static_cast<char>(c.firstRow - 1), "").substr(0, 8)), std::string::npos);
    EXPECT_EQ(after.sheets.at(1).visibility, 2);
    EXPECT_EQ(after.entries.at("ETExtData"), before.entries.at("ETExtData"));
    EXPECT_EQ(after.names, before.names);
  }
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/renamed.xls").sheets.at(1).name, "Renamed");
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/copy.xls").sheets.at(0).value(301, 1), "edited");
  // Nothing but the workbooks is left in their folders.
  EXPECT_EQ(dir.listing(),
            "in\nin/copy.xls\nin/in-place.xls\nin/moved.xls\nin/renamed.xls\nmade.xls\nout\nout/copy.xls\n"
            "out/moved.xls\nout/renamed.xls\npristine.xls\n");
}

// A put-back part changed after the save, or a cell, is still reported.
TEST_F(XlsRestore, WhatChangesAfterThePutBackIsReported) {
  const std::string written = process("book.xls").output;
  ASSERT_EQ(test::ReadWithXlrd(written).sheets.at(1).visibility, 2);
  const std::string bytes = test::ReadFile(written);
  verify::EditFootprint footprint{"Data", FootprintOf(settings.rules.at(0))};
  struct Case {
    size_t at;
    char to;
    const char* reported;
  };
  const Case cases[] = {
      {bytes.find(kForeign.substr(0, 20)), 'A', "file part \"ETExtData\": changed"},
      {SecretVisibilityAt(bytes), 1, "sheet \"Secret\": very hidden → hidden"},
      {bytes.find("row 150") + 6, '7', "sheet \"Data\", cell A150: \"row 150\" → \"row 157\""},
      {bytes.find(Double(43)) + 6, '\x44', "sheet \"Data\", cell B1: formula result 43 → formula result 41"},
      {bytes.find(BoolErrRecord(0, "").substr(0, 8)) + 10, '\0', "sheet \"Data\", cell C1: TRUE → FALSE"},
      {bytes.find("zz") + 1, 'y', "sheet \"Data\", cell D1: formula result \"zz\" → formula result \"zy\""}};
  for (const Case& c : cases) {
    std::string planted = bytes;
    planted.at(c.at) = c.to;
    std::ofstream(dir / "planted.xls", std::ios::binary | std::ios::trunc) << planted;
    EXPECT_EQ(verify::VerifySave(dir / "in/book.xls", dir / "planted.xls", footprint, 20).lines(), Lines{c.reported});
  }
}

// Real workbooks whose other writer's stream, macro storage (without a
// project record), very hidden sheet, formula results, truth and error
// constants or built-in names the office changes, saved in place (or, where
// the office changes what cannot be put back, as a copy that reports it):
// every such entry, every sheet's visibility, every cell's value and, in
// place, every defined name as in the source.
TEST(CorpusXlsRestore, RealWorkbooksKeepWhatTheOfficeDropped) {
  SHEETWISE_REQUIRE_CORPUS();
  struct Case {
    const char *corpus, *sheet, *kept;  // kept: the entries' path, or its start
    std::vector<std::string> reported = {};  // what the copy reports; in place when none
  };
  const Case cases[] = {{"cjk_sheetnames_merged_rowheights.xls", "橱柜柜体", "ETExtData"},
                        {"first_sheet_hidden.xls", "Sheet2", "_VBA_PROJECT_CUR/"},
                        {"hidden_and_veryhidden_sheets.xls", "Visible", ""},
                        {"wps_office_written.xls", "Sheet1", "ETExtData"},
                        {"many_sheets_66_merged.xls", "AccountLinkedMultiTimes (Linked", ""},
                        // The office writes ERROR.TYPE as a function under a new name.
                        {"error_values_formulas.xls", "RawErrors", "", {"defined name \"_xlfn.ERROR.TYPE\": none → present"}}};
  test::TempDir dir;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
  fs::create_directories(dir.path() / "out");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.corpus);
    const std::string source = dir.copyCorpus(c.corpus, "in/" + std::string(c.corpus));
    RunSettings settings;
    settings.sheetName = c.sheet;
    settings.inPlace = c.reported.empty();
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.rules = rules::ParseRules({"{行距}|2|20"}, false);
    const auto result = engine.ProcessWorkbook(source, settings);
    EXPECT_EQ(result.outcome, Outcome::Processed) << result.reason;
    EXPECT_EQ(result.differences, c.reported);
    const std::string path = settings.inPlace ? source : result.output;
    const auto before = test::ReadWithXlrd(test::Corpus(c.corpus));
    const auto after = test::ReadWithXlrd(path);
    ASSERT_EQ(after.sheets.size(), before.sheets.size());
    if (settings.inPlace) {  // in any order
      EXPECT_EQ(std::multiset(after.names.begin(), after.names.end()),
                std::multiset(before.names.begin(), before.names.end()));
    }
    for (size_t i = 0; i < before.sheets.size(); ++i) {
      EXPECT_EQ(after.sheets[i].visibility, before.sheets[i].visibility);
      for (const auto& [at, cell] : before.sheets[i].cells) {
        EXPECT_EQ(after.sheets[i].value(at.first, at.second), cell.value) << i << ": " << at.first << "," << at.second;
      }
    }
    size_t kept = 0;
    for (const auto& [entry, digest] : before.entries) {
      if (!*c.kept || !entry.starts_with(c.kept)) continue;
      EXPECT_EQ(after.entries.count(entry) ? after.entries.at(entry) : "lost", digest) << entry;
      ++kept;
    }
    EXPECT_TRUE(kept > 0 || !*c.kept);
  }
}

// The macro storage put back from the source, changed after the save, is reported.
TEST(CorpusXlsRestore, APutBackMacroStorageChangedIsReported) {
  SHEETWISE_REQUIRE_CORPUS();
  test::TempDir dir;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
  RunSettings settings;
  settings.sheetName = "Sheet2";
  settings.inPlace = true;
  settings.rules = rules::ParseRules({"{行距}|2|20"}, false);
  const std::string path = dir.copyCorpus("first_sheet_hidden.xls", "book.xls");
  ASSERT_EQ(engine.ProcessWorkbook(path, settings).differences, Lines{});
  std::string planted = test::ReadFile(path);
  const size_t at = planted.find("Document=ThisWorkbook");
  ASSERT_NE(at, std::string::npos);
  planted[at + 9] = 'X';
  std::ofstream(dir / "planted.xls", std::ios::binary) << planted;
  const verify::EditFootprint footprint{"Sheet2", FootprintOf(settings.rules.at(0))};
  EXPECT_EQ(verify::VerifySave(test::Corpus("first_sheet_hidden.xls"), dir / "planted.xls", footprint, 20).lines(),
            Lines{"macros (VBA project): present → changed"});
}

}  // namespace
}  // namespace sheetwise::batch

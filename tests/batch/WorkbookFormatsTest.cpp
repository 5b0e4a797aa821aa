// Every format the office edits, saved in its own: made and read back by openpyxl and odfpy, edited by the office.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "BookSnapshot.h"
#include "CompoundFile.h"
#include "PackageEdit.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/WorkbookEngine.h"
#include "extract/ExtractionRun.h"
#include "host/LibreOfficeHost.h"
#include "host/WorkbookFile.h"
#include "verify/MacroProject.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::BookSnapshot;
using test::ReadBook;

class WorkbookFormatsTest : public ::testing::Test {
 protected:
  WorkbookFormatsTest() {
    fs::create_directories(dir.path() / "in");
    fs::create_directories(dir.path() / "out");
    settings.naming = {dir / "in/", dir / "out/", "", "", "", "", ""};
    settings.verify = false;
  }
  WorkbookResult process(const std::string& path, const std::vector<std::string>& ruleList) {
    settings.rules = rules::ParseRules(ruleList, false);
    return engine.ProcessWorkbook(path, settings);
  }
  std::string made(const std::string& kind, const std::string& name) {
    const std::string path = dir / ("in/" + name);
    test::MakeBook(kind, path);
    return path;
  }

  test::TempDir dir;
  RunSettings settings;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Every rule kind on .xlsx, .ods and .xlsx named .xls: edit made; format, other sheet and fonts kept.
TEST_F(WorkbookFormatsTest, EveryRuleKindOnXlsxAndOdsWhateverTheirNames) {
  using Check = std::function<bool(const BookSnapshot&)>;
  const std::pair<std::string, Check> cases[] = {
      {"{插入行}|正行|3", [](const auto& b) { return b.value(0, 3, 1).empty() && b.value(0, 4, 1) == "李四"; }},
      {"{删除行}|正行|3", [](const auto& b) { return b.value(0, 3, 1) == "王五"; }},
      {"{删除列}|整列|B", [](const auto& b) { return b.value(0, 2, 2) == "first"; }},
      {"{清空}|A2|B3", [](const auto& b) { return b.value(0, 2, 1).empty() && b.value(0, 3, 2).empty() && b.value(0, 2, 3) == "first"; }},
      {"{合并}|A2|B3", [](const auto& b) { return b.merges.count("0 2 3 1 2") == 1; }},
      {"2|C|改过", [](const auto& b) { return b.value(0, 2, 3) == "改过"; }},
      {"{表名}|新表", [](const auto& b) { return b.sheets[0] == "新表"; }},
      {"{行距}|3|30", [](const auto& b) { return b.rowHeights.count({0, 3}) && b.rowHeights.at({0, 3}) == "30"; }},
      {"{列距}|C|20", [](const auto& b) { return b.columnWidths.count({0, 3}) == 1; }},
  };
  const std::string misnamed = "the file is an Office Open XML workbook (.xlsx) despite its name; it was edited and "
                               "saved as such, under its own name";
  const std::tuple<std::string, std::string, std::string> books[] = {
      {"xlsx", "book.xlsx", ""}, {"ods", "book.ods", ""}, {"xlsx", "book.xls", misnamed}};  // the content decides
  for (const auto& [kind, name, reason] : books) {
    const std::string source = made(kind, name);
    const auto before = ReadBook(source);
    for (const auto& [rule, check] : cases) {
      SCOPED_TRACE(name + " " + rule);
      const auto result = process(source, {rule});
      ASSERT_EQ(result.outcome, Outcome::Processed) << result.reason;
      EXPECT_EQ(result.output, dir / ("out/" + name));
      EXPECT_EQ(result.reason, reason);
      const auto after = ReadBook(result.output);
      EXPECT_TRUE(check(after));
      EXPECT_EQ(after.parts.count(kind == "ods" ? "mimetype" : "xl/workbook.xml"), 1u);
      EXPECT_EQ(after.sheets.size(), 2u);
      EXPECT_EQ(after.sheetCells(1), before.sheetCells(1));
      EXPECT_EQ(after.fonts.at({0, 1, 1}), "Arial/1");
      EXPECT_TRUE(std::ranges::any_of(after.fonts, [](const auto& f) {
        return std::get<0>(f.first) == 0 && f.second == "SimSun/0";
      }));
    }
  }
}

// Each format's own grid (an edit past it or pushing data off it fails); an encrypted package is refused.
TEST_F(WorkbookFormatsTest, EachFormatHasItsOwnGridAndEncryptedPackagesAreRefused) {
  const std::string xlsx = made("xlsx", "grid.xlsx");
  settings.inPlace = true;
  ASSERT_EQ(process(xlsx, {"70000|A|far", "{列距}|XFD|9"}).outcome, Outcome::Processed);
  EXPECT_EQ(ReadBook(xlsx).value(0, 70000, 1), "far");
  const std::string xls = dir.copyFixture("sheets.xls", "in/grid.xls");
  const std::string secret = dir / "in/secret.xlsx";
  test::WriteCompoundFile(secret,
                          {{"EncryptionInfo", std::string(4096, '\1')}, {"EncryptedPackage", std::string(4096, '\2')}});
  const std::tuple<std::string, std::vector<std::string>, std::string> refused[] = {
      {xlsx, {"1048576|A|bottom", "{插入行}|正行|2"}, "(up to row 1048576) off the sheet"},
      {xls, {"70000|A|x"}, "65536 rows and columns A to IV"},
      {xls, {"{列距}|IW|9"}, "65536 rows and columns A to IV"},
      {secret, {"2|C|x"}, "protected by a password"},
      {made("ods-encrypted", "secret.ods"), {"2|C|x"}, "protected by a password"},
  };
  for (const auto& [path, rules, reason] : refused) {
    const auto result = process(path, rules);
    EXPECT_EQ(result.outcome, Outcome::Failed) << path << " " << rules.front();
    EXPECT_NE(result.reason.find(reason), std::string::npos) << result.reason;
  }
}

// The veto, extraction and the stored active sheet read an .xlsx and an .ods as they read an .xls.
TEST_F(WorkbookFormatsTest, VetoExtractionAndTheActiveSheetReadEveryFormat) {
  extract::ExtractionRun extraction{test::SharedHost(), log};
  for (const std::string kind : {"xlsx", "ods"}) {
    const auto active = test::SharedHost().open(made(kind + "-active", "active." + kind), host::OpenMode::ReadOnly);
    EXPECT_EQ(active->activeSheet()->name(), "Other") << kind;
    const std::string path = made(kind, "read." + kind);
    settings.veto = {"2", "A", "张三"};
    EXPECT_EQ(process(path, {"2|C|x"}).outcome, Outcome::Processed) << kind;
    settings.veto = {"2", "A", "李四"};
    EXPECT_EQ(process(path, {"2|C|x"}).outcome, Outcome::Vetoed) << kind;
    const auto read = extraction.ExtractWorkbook(path, rules::ParseRules({"{小偷}3|B|", "{小偷}5|A|"}, true));
    ASSERT_EQ(read.size(), 2u) << kind;
    EXPECT_EQ(read[0].text + " " + read[1].text, "4 赵六") << kind;
  }
}

// Formulas stored without results are no difference to the check: written in place, following the moved rows.
TEST_F(WorkbookFormatsTest, FormulasWithoutStoredResultsAreWrittenInPlace) {
  settings.inPlace = true;
  settings.verify = true;
  const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
      {"xlsx-formulas", "generated.xlsx", {"=B2*2", "", "=C4&\"x\"", "=SUM(B2:B6)", "=D6"}},
      {"ods-formulas", "generated.ods", {"6", "", "secondx", "18", "D-4"}},
  };
  for (const auto& [kind, name, column] : cases) {
    SCOPED_TRACE(name);
    const std::string path = made(kind, name);
    const auto result = process(path, {"{插入行}|正行|3"});
    EXPECT_EQ(result.outcome, Outcome::Processed) << result.reason;
    EXPECT_EQ(result.differences, std::vector<std::string>{});
    EXPECT_EQ(result.output, path);
    const auto after = ReadBook(path);
    for (size_t i = 0; i < column.size(); ++i) EXPECT_EQ(after.value(0, static_cast<int>(i) + 2, 5), column[i]) << i;
  }
}

const char* const kMacrosDropped = "the office would drop or rewrite the workbook's macros (VBA project)";

// Macros the office drops come back byte for byte; where they cannot (here the
// project's relationship has the id the office gives another part), they are
// never lost silently, even without the check of saves: not in place, said on
// a copy.
TEST_F(WorkbookFormatsTest, MacrosAreKeptOrNeverDroppedSilently) {
  const std::string kept = made("xlsm", "kept.xlsm");
  const std::string project = ReadBook(kept).parts.at("xl/vbaProject.bin");
  settings.inPlace = true;
  const auto restored = process(kept, {"1|A|edited"});
  EXPECT_EQ(std::tie(restored.outcome, restored.reason), std::tuple(Outcome::Processed, std::string()));
  EXPECT_EQ(ReadBook(kept).parts.at("xl/vbaProject.bin"), project);

  const std::string path = dir / "in/book.xlsm";
  test::WritePackage(dir, made("xlsm", "ids.xlsm"), path, {},
                     {{"xl/_rels/workbook.xml.rels", "Id=\"rId1\"", "Id=\"rIdA\""},
                      {"xl/_rels/workbook.xml.rels", "Id=\"rIdVba\"", "Id=\"rId1\""},
                      {"xl/workbook.xml", "r:id=\"rId1\"", "r:id=\"rIdA\""}});
  const std::string plain = made("xlsx", "plain.xlsx");
  const std::string source = test::ReadFile(path);
  const auto inPlace = process(path, {"1|A|edited"});
  EXPECT_EQ(std::tie(inPlace.outcome, inPlace.reason), std::tuple(Outcome::Failed, kMacrosDropped));
  EXPECT_EQ(inPlace.differences, std::vector<std::string>{"macros (VBA project): present → lost"});
  EXPECT_EQ(test::ReadFile(path), source);
  EXPECT_EQ(process(plain, {"1|A|edited"}).outcome, Outcome::Processed);
  EXPECT_EQ(ReadBook(plain).value(0, 1, 1), "edited");

  settings.inPlace = false;
  const auto copy = process(path, {"1|A|edited"});
  EXPECT_EQ(std::tie(copy.outcome, copy.reason), std::tuple(Outcome::Processed, kMacrosDropped));
  const auto written = ReadBook(copy.output);
  EXPECT_EQ(written.value(0, 1, 1), "edited");
  EXPECT_EQ(written.parts.count("xl/vbaProject.bin"), 0u);
  EXPECT_EQ(test::ReadFile(path), source);
}

class CorpusWorkbookFormats : public WorkbookFormatsTest {};

// A real .xlsm keeps its macro project byte for byte, in place and on a copy; an .xls's kept macros are saved.
TEST_F(CorpusWorkbookFormats, MacroProjectsAreKeptByteForByte) {
  SHEETWISE_REQUIRE_OOXML_CORPUS();
  const std::string path =
      dir.copy((test::OoxmlCorpusDir() / "macro_formula_text_results_condfmt.xlsm").string(), "in/macros.xlsm");
  settings.sheetName = "TEST";
  const std::string project = ReadBook(path).parts.at("xl/vbaProject.bin");
  for (const bool inPlace : {false, true}) {
    settings.inPlace = inPlace;
    settings.verify = inPlace;
    const auto result = process(path, {"{插入行}|正行|2", "1|A|edited"});
    ASSERT_EQ(std::tie(result.outcome, result.reason), std::tuple(Outcome::Processed, std::string())) << inPlace;
    const auto after = ReadBook(result.output);
    EXPECT_EQ(after.value(0, 1, 1), "edited");
    EXPECT_EQ(after.parts.at("xl/vbaProject.bin"), project);
    EXPECT_EQ(host::InspectWorkbookFile(result.output).format, host::WorkbookFormat::Xlsm);
  }

  SHEETWISE_REQUIRE_CORPUS();
  const std::string xls = dir.copyCorpus("vba_macro.xls", "in/vba_macro.xls");
  settings.inPlace = true;
  settings.sheetName = "Sheet1";
  const auto kept = process(xls, {"1|A|edited"});
  ASSERT_EQ(kept.outcome, Outcome::Processed) << kept.reason;
  EXPECT_EQ(verify::MacroProjectDigest(xls), verify::MacroProjectDigest(test::Corpus("vba_macro.xls")));
  EXPECT_NE(verify::MacroProjectDigest(xls), "");
}

// Height and width 0 hide the row and the column, a later size shows them again; nothing else changes.
TEST_F(WorkbookFormatsTest, HeightOrWidthZeroHidesTheRowOrColumn) {
  settings.verify = true;
  const std::vector<std::string> rules{"{行距}|3|0", "{列距}|C|0", "{行距}|4|0", "{行距}|4|20", "{列距}|B|0"};
  const auto hidden = [](const std::set<int>& lines) { return std::vector<int>(lines.begin(), lines.end()); };
  const std::string xls = dir.copyFixture("sheets.xls", "in/book.xls");
  const auto fromXls = process(xls, rules);
  ASSERT_EQ(fromXls.outcome, Outcome::Processed) << fromXls.reason;
  EXPECT_TRUE(fromXls.differences.empty()) << fromXls.differences.front();
  const auto sheet = test::ReadWithXlrd(fromXls.output).sheets.at(0);
  EXPECT_EQ(hidden(sheet.hiddenRows), std::vector<int>{3});
  EXPECT_EQ(hidden(sheet.hiddenColumns), (std::vector<int>{2, 3}));
  EXPECT_EQ(sheet.rowHeights.at(4), 400);

  const auto fromXlsx = process(made("xlsx", "book.xlsx"), rules);
  ASSERT_EQ(fromXlsx.outcome, Outcome::Processed) << fromXlsx.reason;
  EXPECT_TRUE(fromXlsx.differences.empty()) << fromXlsx.differences.front();
  const auto book = ReadBook(fromXlsx.output);
  EXPECT_EQ(book.hiddenRows, (std::set<std::pair<int, int>>{{0, 3}}));
  EXPECT_EQ(book.hiddenColumns, (std::set<std::pair<int, int>>{{0, 2}, {0, 3}}));
  EXPECT_EQ(book.rowHeights.at({0, 4}), "20");
}

}  // namespace
}  // namespace sheetwise::batch

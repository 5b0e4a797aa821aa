// What the office drops from .xlsx, .xlsm and .ods workbooks comes back from
// the source: read back by openpyxl and odfpy after an edit in place; and the
// check after a restore still reports what differs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "BookSnapshot.h"
#include "PackageEdit.h"
#include "TestPaths.h"
#include "batch/RuleFootprint.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"
#include "restore/RestoreDropped.h"
#include "verify/SaveComparison.h"

namespace sheetwise::restore {
namespace {
namespace fs = std::filesystem;
using test::PackageParts;
using test::PackageSubs;

// An .ods view that freezes Sheet1 below its first row.
const char* const kFrozenOdsSettings =
    R"(<?xml version="1.0" encoding="UTF-8"?><office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0" office:version="1.2"><office:settings>)"
    R"(<config:config-item-set config:name="ooo:view-settings"><config:config-item-map-indexed config:name="Views">)"
    R"(<config:config-item-map-entry><config:config-item config:name="ViewId" config:type="string">view1</config:config-item>)"
    R"(<config:config-item-map-named config:name="Tables"><config:config-item-map-entry config:name="Sheet1">)"
    R"(<config:config-item config:name="HorizontalSplitMode" config:type="short">0</config:config-item>)"
    R"(<config:config-item config:name="VerticalSplitMode" config:type="short">2</config:config-item>)"
    R"(<config:config-item config:name="HorizontalSplitPosition" config:type="int">0</config:config-item>)"
    R"(<config:config-item config:name="VerticalSplitPosition" config:type="int">1</config:config-item>)"
    R"(<config:config-item config:name="ActiveSplitRange" config:type="short">2</config:config-item>)"
    R"(</config:config-item-map-entry></config:config-item-map-named>)"
    R"(<config:config-item config:name="ActiveTable" config:type="string">Sheet1</config:config-item></config:config-item-map-entry>)"
    R"(</config:config-item-map-indexed></config:config-item-set></office:settings></office:document-settings>)";

// The same settings as the office writes them without a view: no views at all.
const char* const kViewlessOdsSettings =
    R"(<?xml version="1.0" encoding="UTF-8"?><office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0" office:version="1.2"><office:settings>)"
    R"(<config:config-item-set config:name="ooo:view-settings"><config:config-item config:name="VisibleAreaTop" )"
    R"(config:type="int">0</config:config-item></config:config-item-set></office:settings></office:document-settings>)";

std::string ViewTool() { return (fs::path(test::ZipEditScript()).parent_path() / "view_tool.py").string(); }

// What view_tool.py reads in a workbook: panes, sheet states, protection, binary parts.
std::string Dump(const std::string& path) { return test::RunTestTool(ViewTool(), "dump '" + path + "'"); }

// A macro project's relationship to its signature.
const char* const kSignatureRelationships =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" )"
    R"(Type="http://schemas.microsoft.com/office/2006/relationships/vbaProjectSignature" Target="vbaProjectSignature.bin"/>)"
    R"(</Relationships>)";

class PackageRestoreTest : public ::testing::Test {
 protected:
  // A workbook of kind "xlsx" (view_tool.py: panes, truth and error
  // constants, a very hidden sheet, a locked structure), "xlsm" (a signed macro project) or "ods" (frozen below row 1).
  std::string made(const std::string& kind) {
    fs::create_directories(dir.path() / "in");
    const std::string path = dir / ("in/book." + kind);
    if (kind == "xlsx") {
      test::RunTestTool(ViewTool(), "make-xlsx '" + path + "'");
    } else if (kind == "ods") {
      test::MakeBook("ods", dir / "plain.ods");
      const std::string entry = R"(<manifest:file-entry manifest:full-path="settings.xml" manifest:media-type="text/xml"/>)";
      test::WritePackage(dir, dir / "plain.ods", path, {{"settings.xml", kFrozenOdsSettings}},
                         {{"META-INF/manifest.xml", "</manifest:manifest>", entry + "</manifest:manifest>"}});
    } else {  // xlsm: its project signed (a signature part the project's relationships lead to)
      test::MakeBook("xlsm", dir / "unsigned.xlsm");
      const std::string type = "application/vnd.ms-office.vbaProjectSignature";
      test::WritePackage(dir, dir / "unsigned.xlsm", path,
                         {{"xl/_rels/vbaProject.bin.rels", kSignatureRelationships}, {"xl/vbaProjectSignature.bin", "signed"}},
                         {{"[Content_Types].xml", "</Types>",
                           R"(<Override PartName="/xl/vbaProjectSignature.bin" ContentType=")" + type + R"("/></Types>)"}});
    }
    return path;
  }
  // The rule on the workbook in place; the named sheet is sheet.
  batch::WorkbookResult inPlace(const std::string& path, const std::string& rule, const std::string& sheet = "Sheet1") {
    batch::RunSettings settings;
    settings.inPlace = true;
    settings.sheetName = sheet;
    settings.rules = rules::ParseRules({rule}, false);
    return engine.ProcessWorkbook(path, settings);
  }

  test::TempDir dir;
  batch::CollectedLog log;
  batch::WorkbookEngine engine{test::SharedHost(), log};
};

// Panes, truth and error constants, very hidden sheets, the workbook's
// protection and the macro project stay as they were after an edit in place,
// and the edit is written.
TEST_F(PackageRestoreTest, WhatTheOfficeDropsIsKeptInPlace) {
  for (const std::string kind : {"xlsx", "xlsm", "ods"}) {
    SCOPED_TRACE(kind);
    const std::string path = made(kind);
    const std::string before = Dump(path);
    ASSERT_NE(before.find(kind == "xlsm" ? "part xl/vbaProjectSignature.bin" : "pane Sheet1"), std::string::npos)
        << before;
    if (kind == "xlsx") {
      ASSERT_NE(before.find("cell Sheet1 D2 e #N/A"), std::string::npos) << before;
    }
    const auto result = inPlace(path, "3|B|改过");
    ASSERT_EQ(result.outcome, batch::Outcome::Processed)
        << result.reason << ::testing::PrintToString(result.differences);
    EXPECT_TRUE(result.differences.empty()) << ::testing::PrintToString(result.differences);
    EXPECT_EQ(test::ReadBook(path).value(0, 3, 2), "改过");
    EXPECT_EQ(Dump(path), before);
  }
}

// A frozen pane comes back where rows are inserted below the split; not where
// they are inserted above it (the split would move), which is reported.
TEST_F(PackageRestoreTest, PanesComeBackOnlyWhereNoRowMovedTheSplit) {
  const std::pair<std::string, std::string> books[] = {{"xlsx", "B2"}, {"ods", "A2"}};
  for (const auto& [kind, frozenAt] : books) {
    SCOPED_TRACE(kind);
    const std::string path = made(kind);
    const std::string before = Dump(path);
    const auto below = inPlace(path, "{插入行}|正行|3");
    ASSERT_EQ(below.outcome, batch::Outcome::Processed)
        << below.reason << ::testing::PrintToString(below.differences);
    EXPECT_EQ(Dump(path), before);
    const auto above = inPlace(path, "{插入行}|正行|1");
    EXPECT_EQ(above.outcome, batch::Outcome::Failed);
    EXPECT_EQ(above.differences, std::vector<std::string>{"sheet \"Sheet1\": panes frozen at " + frozenAt + " → none"});
  }
}

// A chart sheet, which the office writes as a worksheet holding its chart,
// comes back in place with its chart byte for byte, under the names the
// office gave another sheet's drawing and chart; a chart sheet the restored
// file no longer holds is reported; where a rule inserts rows, the chart's
// references would be stale, and the worksheet is reported instead.
TEST_F(PackageRestoreTest, ChartSheetsComeBackWhereNoRuleMovedCells) {
  fs::create_directories(dir.path() / "in");
  const std::string source = dir / "source.xlsx";
  test::RunTestTool(ViewTool(), "make-chartsheet '" + source + "'");
  const std::string before = Dump(source);
  ASSERT_NE(before.find("chartsheet Chart "), std::string::npos) << before;

  const std::string path = dir.copy(source, "in/edited.xlsx");
  const auto result = inPlace(path, "3|B|改过");
  ASSERT_EQ(result.outcome, batch::Outcome::Processed) << result.reason << ::testing::PrintToString(result.differences);
  EXPECT_EQ(Dump(path), before);
  EXPECT_EQ(test::ReadBook(path).value(0, 3, 2), "改过");  // the first worksheet

  const std::string planted = dir / "planted.xlsx";
  test::WritePackage(dir, path, planted, {}, {{"xl/_rels/workbook.xml.rels", "relationships/chartsheet", "relationships/worksheet"}});
  const verify::EditFootprint footprint{"Sheet1", batch::FootprintOf(rules::ParseRules({"3|B|改过"}, false).at(0))};
  const auto reported = verify::VerifySave(source, planted, footprint).first;
  EXPECT_EQ(reported, std::vector<std::string>{"sheet \"Chart\": chart sheet → worksheet"});

  const std::string moved = dir.copy(source, "in/moved.xlsx");
  const auto inserted = inPlace(moved, "{插入行}|正行|1");
  EXPECT_EQ(inserted.outcome, batch::Outcome::Failed);
  EXPECT_EQ(inserted.differences, std::vector<std::string>{"sheet \"Chart\": chart sheet → worksheet"});
}

class CorpusPackageRestore : public PackageRestoreTest {};

// Real workbooks: a protection record the office cannot write, panes it
// writes only from a view and chart sheets it has not come back byte for
// byte, in place.
TEST_F(CorpusPackageRestore, ProtectionPanesAndChartSheetsAreKeptInPlace) {
  SHEETWISE_REQUIRE_OOXML_CORPUS();
  const std::pair<const char*, const char*> books[] = {
      {"workbook_protection_password_excel2013.xlsx", "Sheet1"},
      {"libreoffice_merged_125_formulas_1564_frozen.ods", "Francais"},
      {"hidden_veryhidden_and_chart_sheet.xlsx", "Visible"},
      {"mac_excel2008_date1904_chartsheet_shared_formulas.xlsx", "Numbers"}};
  for (const auto& [corpus, sheet] : books) {
    SCOPED_TRACE(corpus);
    const std::string path = dir.copy((test::OoxmlCorpusDir() / corpus).string());
    const std::string before = test::ReadFile(path);
    const auto result = inPlace(path, "200|A|改过", sheet);
    ASSERT_EQ(result.outcome, batch::Outcome::Processed)
        << result.reason << ::testing::PrintToString(result.differences);
    EXPECT_NE(test::ReadFile(path), before);
    EXPECT_EQ(Dump(path), Dump((test::OoxmlCorpusDir() / corpus).string()));
  }
}

// After a restore, the check compares as after every save: a cell the office
// changed is reported and the restored class is not; the restored part
// changed afterwards is reported.
TEST_F(PackageRestoreTest, TheCheckAfterARestoreReportsWhatStillDiffers) {
  const std::string pane = R"(<pane xSplit="1" ySplit="1" topLeftCell="B2" activePane="bottomRight" state="frozen"/>)";
  struct Case {
    const char* kind;
    PackageSubs dropped;   // what the office's save lost, as planted
    PackageParts put;      // likewise, whole parts
    const char* restored;  // the restore's line
    PackageSubs changed;   // then planted in the restored file
    PackageParts changedPut;
    const char* reported;  // what the check then says
  };
  const Case cases[] = {
      {"xlsx", {{"xl/worksheets/sheet1.xml", pane, ""}}, {}, "sheet \"Sheet1\": frozen panes",
       {{"xl/worksheets/sheet1.xml", R"(ySplit="1")", R"(ySplit="2")"}}, {}, "panes frozen at B2 → B3"},
      {"xlsx", {{"xl/workbook.xml", R"(state="veryHidden")", R"(state="hidden")"}}, {}, "sheet \"Other\": very hidden",
       {{"xl/workbook.xml", R"(state="veryHidden")", R"(state="visible")"}}, {}, "very hidden → visible"},
      {"xlsx",
       {{"xl/workbook.xml", R"(<workbookProtection workbookPassword="DAA7" lockStructure="1"/>)", "<workbookProtection/>"}},
       {}, "the workbook's protection", {{"xl/workbook.xml", R"(lockStructure="1")", R"(lockStructure="0")"}}, {},
       "workbook protection: 1 → 0"},
      {"xlsx", {{"xl/worksheets/sheet1.xml", R"(<c r="C2" t="b"><v>)", R"(<c r="C2" t="b"><f>TRUE()</f><v>)"}}, {},
       "sheet \"Sheet1\": 1 truth and error constants as in the source",
       {{"xl/worksheets/sheet1.xml", R"(<c r="C2" t="b"><v>1)", R"(<c r="C2" t="b"><v>0)"}}, {}, "cell C2: TRUE → FALSE"},
      {"xlsm", {}, {{"xl/vbaProject.bin", "another project"}}, "the macro project", {},
       {{"xl/vbaProject.bin", "a third project"}}, "macros"},
      {"xlsm", {}, {{"xl/vbaProject.bin", "another project"}}, "the macro project", {},
       {{"xl/vbaProjectSignature.bin", "forged"}}, "macros (VBA project): present → changed"},
      {"ods", {}, {{"settings.xml", kViewlessOdsSettings}}, "the sheets' frozen panes",
       {{"settings.xml", R"("VerticalSplitPosition" config:type="int">1)",
         R"("VerticalSplitPosition" config:type="int">2)"}},
       {}, "panes frozen at A2 → A3"},
  };
  // The office's cell change, planted beside each loss: Sheet1!B2 from 3 to 7.
  const auto cellChange = [](const std::string& kind) -> PackageSubs::value_type {
    if (kind == "ods") return {"content.xml", R"(office:value="3")", R"(office:value="7")"};
    return {"xl/worksheets/sheet1.xml", kind == "xlsx" ? "<v>1</v>" : "<v>3</v>", "<v>7</v>"};
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.restored);
    const std::string source = made(c.kind);
    const std::string written = dir / (std::string("written.") + c.kind);
    PackageSubs dropped = c.dropped;
    dropped.push_back(cellChange(c.kind));
    test::WritePackage(dir, source, written, c.put, dropped);
    const verify::EditFootprint footprint{"Sheet1", {}};
    const Restored restored = RestoreDropped(source, written, footprint);
    EXPECT_EQ(restored.items, std::vector<std::string>{c.restored});
    const auto reported = verify::VerifySave(source, written, footprint).first;
    ASSERT_EQ(reported.size(), 1u) << ::testing::PrintToString(reported);
    EXPECT_NE(reported[0].find("cell B2"), std::string::npos) << reported[0];

    const std::string changed = dir / (std::string("changed.") + c.kind);
    test::WritePackage(dir, written, changed, c.changedPut, c.changed);
    const auto after = verify::VerifySave(source, changed, footprint).first;
    const auto says = [&](const std::string& line) { return line.find(c.reported) != std::string::npos; };
    EXPECT_TRUE(std::ranges::any_of(after, says)) << ::testing::PrintToString(after);
  }
}

// A written file that cannot be read is left as it was, and nothing beside it.
TEST_F(PackageRestoreTest, AnUnreadableSaveIsLeftAsItWas) {
  const std::string source = made("xlsx"), written = dir / "written.xlsx";
  std::ofstream(written) << "not a zip";
  EXPECT_ANY_THROW(RestoreDropped(source, written, {"Sheet1", {}}));
  EXPECT_EQ(test::ReadFile(written), "not a zip");
  EXPECT_EQ(dir.listing(), "in\nin/book.xlsx\nwritten.xlsx\n");
}

}  // namespace
}  // namespace sheetwise::restore

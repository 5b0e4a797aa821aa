// Hyperlinks kept through a save in place and into a mirrored tree; a changed link is reported.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BookSnapshot.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Sheet1's links as the workbook holds them, relative ones as written from its folder.
const Lines kLinks = {"A1 docs/other.xlsx", "A2 ../up/book.xls", "A3 https://example.com/a?b=1",
                      "A4 mailto:someone@example.com", "A5 docs/some name.xlsx"};

// The same links in a flat spreadsheet; B1 a number, A8 a HYPERLINK formula with a number result.
const char* const kLinkedBook = R"fods(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1">
 <table:table-row><table:table-cell office:value-type="string"><text:p><text:a xlink:type="simple"
  xlink:href="docs/other.xlsx">link 1</text:a></text:p></table:table-cell>
  <table:table-cell office:value-type="float" office:value="1"><text:p>1</text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p><text:a xlink:type="simple"
  xlink:href="../up/book.xls">link 2</text:a></text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p><text:a xlink:type="simple"
  xlink:href="https://example.com/a?b=1">link 3</text:a></text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p><text:a xlink:type="simple"
  xlink:href="mailto:someone@example.com">link 4</text:a></text:p></table:table-cell></table:table-row>
 <table:table-row><table:table-cell office:value-type="string"><text:p><text:a xlink:type="simple"
  xlink:href="docs/some%20name.xlsx">link 5</text:a></text:p></table:table-cell></table:table-row>
 <table:table-row table:number-rows-repeated="2"><table:table-cell/></table:table-row>
 <table:table-row><table:table-cell table:formula="of:=HYPERLINK(&quot;docs/other.xlsx&quot;;42)"
  office:value-type="float" office:value="42"><text:p>42</text:p></table:table-cell></table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
)fods";

void MakeLinkedBook(const fs::path& path) {
  fs::create_directories(path.parent_path());
  if (path.extension() == ".xls") {
    test::WriteFlatWorkbook(path, kLinkedBook);
  } else {
    test::RunTestTool(test::LinkToolScript(), "make '" + path.string() + "'");
  }
}

// The first sheet's links, read by the program's own reader: "CELL TARGET".
Lines LinksOf(const verify::XlsContent& book) {
  Lines links;
  for (const auto& link : book.sheets.at(0).hyperlinks) {
    links.push_back(host::ColumnLetters(link.area.firstColumn) + std::to_string(link.area.firstRow) + " " + link.target);
  }
  return links;
}

class HyperlinkKeepingTest : public ::testing::Test {
 protected:
  HyperlinkKeepingTest() {
    settings.sheetName = "Sheet1";
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.rules = rules::ParseRules({"2|B|edited"}, false);
    fs::create_directories(dir.path() / "out");
  }
  test::TempDir dir;
  RunSettings settings;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Each format, copied and in place: links read the same (.xlsx also by openpyxl); nothing reported.
TEST_F(HyperlinkKeepingTest, LinksAreKeptInPlaceAndInACopy) {
  for (const std::string extension : {".xls", ".xlsx", ".ods"}) {
    for (const bool inPlace : {false, true}) {
      const std::string name = extension + (inPlace ? " in place" : " copied");
      const fs::path source = dir.path() / "in/sub" / ("book" + extension);
      MakeLinkedBook(source);
      const Lines links = LinksOf(verify::ReadWorkbookContent(source));
      if (extension == ".ods") {  // relative links are held from inside the package
        EXPECT_EQ(links.size(), kLinks.size()) << name;
      } else {
        EXPECT_EQ(links, kLinks) << name;
      }
      const std::string independent = extension == ".xlsx" ? test::RunTestTool(test::LinkToolScript(), "dump '" + source.string() + "'") : "";
      settings.inPlace = inPlace;
      const WorkbookResult result = engine.ProcessWorkbook(source, settings);
      EXPECT_EQ(result.outcome, Outcome::Processed) << name << ": " << result.reason;
      EXPECT_EQ(result.differences, Lines{}) << name;

      const fs::path written = inPlace ? source : dir.path() / "out/sub" / ("book" + extension);
      const auto book = verify::ReadWorkbookContent(written);
      EXPECT_EQ(LinksOf(book), links) << name;
      const auto& sheet = book.sheets.at(0);
      EXPECT_TRUE(sheet.formulas.count({8, 1}) || sheet.textFormulas.count({8, 1})) << name;  // HYPERLINK stays a formula
      EXPECT_TRUE(sheet.cells.count({2, 2}) && sheet.cells.at({2, 2}).text == "edited") << name;
      if (!independent.empty()) {
        EXPECT_EQ(test::RunTestTool(test::LinkToolScript(), "dump '" + written.string() + "'"), independent) << name;
      }
    }
  }
}

// A link target changed after the office's save is reported with both targets.
TEST_F(HyperlinkKeepingTest, AChangedTargetIsReported) {
  const fs::path source = dir.path() / "in/book.xls";
  MakeLinkedBook(source);
  settings.rules = rules::ParseRules({"2|A|edited"}, false);
  ASSERT_EQ(engine.ProcessWorkbook(source, settings).differences, Lines{});
  const fs::path written = dir.path() / "out/book.xls";
  // The link's path is held in UTF-16; the same length, another file.
  const auto utf16 = [](const std::string& text) {
    std::string bytes;
    for (const char c : text) bytes += {c, '\0'};
    return bytes;
  };
  std::string bytes = test::ReadFile(written);
  for (const std::string path : {"docs\\other.xlsx", "docs/other.xlsx"}) {
    if (const auto at = bytes.find(utf16(path)); at != std::string::npos) bytes.replace(at, path.size() * 2, utf16("docs/OTHER.xlsx"));
  }
  std::ofstream(written, std::ios::binary | std::ios::trunc) << bytes;
  verify::EditFootprint footprint{"Sheet1", {{verify::Edit::Kind::Cells, verify::SheetRole::Named, 0, 2, 1, 2, 1, {}}}};
  EXPECT_EQ(verify::VerifySave(source, written, footprint).lines(),
            Lines{"sheet \"Sheet1\", hyperlink at A1: \"docs/other.xlsx\" → \"docs/OTHER.xlsx\""});
}

}  // namespace
}  // namespace sheetwise::batch

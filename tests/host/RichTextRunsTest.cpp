// Rich text keeps its runs through a save with an edit elsewhere: giving the
// other scripts the cell's font must not give a run's Asian text the cell's
// font too, which would merge the run into its neighbour.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise {
namespace {
namespace fs = std::filesystem;
using host::OpenMode;
using test::SharedHost;
using test::TempDir;

// Chinese and Latin text in fonts of their own inside cells in another font,
// and a red word in a black sentence.
const char* const kRichText = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:font-face-decls><style:font-face style:name="宋体" svg:font-family="宋体"/>
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
  text:style-name="times">USD</text:span>元</text:p></table:table-cell></table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
)";

// Saves a copy of in with one edit far from its text; every cell of the
// first sheet with several runs keeps them. Returns how many there were.
size_t ExpectRunsKept(const fs::path& in, const TempDir& dir) {
  const auto before = test::ReadWithXlrd(in);
  auto book = SharedHost().open(in, OpenMode::Edit);
  book->activeSheet()->range("200:200")->setRowHeight(20);
  book->saveAs(dir / "out.xls");
  const auto after = test::ReadWithXlrd(dir / "out.xls");
  size_t rich = 0;
  for (size_t s = 0; s < before.sheets.size(); ++s) {
    for (const auto& [at, cell] : before.sheets[s].cells) {
      if (cell.runs.empty()) continue;
      ++rich;
      const auto* now = after.sheets.at(s).cell(at.first, at.second);
      EXPECT_EQ(now ? now->runs : "(no cell)", cell.runs)
          << before.sheets[s].name << " row " << at.first << " column " << at.second << ": " << cell.value;
    }
  }
  return rich;
}

TEST(RichTextRuns, EachRunKeepsItsFontAfterAnEditElsewhere) {
  TempDir dir;
  test::WriteFlatWorkbook(dir / "in.xls", kRichText);
  EXPECT_EQ(ExpectRunsKept(dir / "in.xls", dir), 4u);
}

// Chinese text with a run in a Latin font (22 such cells), and Latin text
// whose runs differ in weight, style and size.
TEST(CorpusRichTextRuns, RunsOfRealWorkbooksAreKept) {
  SHEETWISE_REQUIRE_CORPUS();
  for (const char* name : {"cjk_sheetnames_merged_rowheights.xls", "rich_text_runs.xls"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    EXPECT_GT(ExpectRunsKept(dir.copy(test::Corpus(name), "in.xls"), dir), 10u);
  }
}

}  // namespace
}  // namespace sheetwise

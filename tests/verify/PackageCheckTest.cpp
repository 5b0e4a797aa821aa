// The .xlsx/.ods save check on packages written part by part with changes planted in the saved copy.

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <iterator>
#include <regex>

#include "BatchRun.h"
#include "ErrorText.h"
#include "PackageEdit.h"
#include "TestPaths.h"
#include "batch/RuleFootprint.h"
#include "batch/SaveCheck.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"
#include "host/HostError.h"
#include "host/WorkbookFile.h"
#include "verify/SaveComparison.h"

namespace sheetwise::verify {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Parts = test::PackageParts;
using Subs = test::PackageSubs;

using test::WritePackage;

const char* const kSpreadsheetMl = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kRelsOpen = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

// Sheet "S": A1 "Title" in two fonts, A2 "x" in red Arial 12 bold, B1 1, B2 2,
// B3 =B1+B2, C1 =SUM(B1:B2)*2, D1 ="a"&"b", D2 =Total (S!B1:B2), E1 ='Other sheet'!A1,
// A5:B6 merged, B2 validated; "Other sheet", very hidden: A1 5.
Parts Xlsx() {
  const std::string ns = std::string("xmlns=\"") + kSpreadsheetMl + "\" xmlns:r=\"" + kRels + "\"";
  return {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
       "spreadsheetml.sheet.main+xml\"/></Types>"},
      {"_rels/.rels", kRelsOpen + "<Relationship Id=\"rId1\" Type=\"" + kRels +
                          "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/_rels/workbook.xml.rels",
       kRelsOpen + "<Relationship Id=\"rId1\" Type=\"" + kRels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>" +
           "<Relationship Id=\"rId2\" Type=\"" + kRels + "/worksheet\" Target=\"worksheets/sheet2.xml\"/>" +
           "<Relationship Id=\"rId3\" Type=\"" + kRels + "/styles\" Target=\"styles.xml\"/>" +
           "<Relationship Id=\"rId4\" Type=\"" + kRels + "/sharedStrings\" Target=\"sharedStrings.xml\"/>" +
           "</Relationships>"},
      {"xl/workbook.xml",
       "<workbook " + ns +
           "><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
           "<sheet name=\"Other sheet\" sheetId=\"2\" state=\"veryHidden\" r:id=\"rId2\"/></sheets>"
           "<definedNames><definedName name=\"Total\">S!$B$1:$B$2</definedName></definedNames></workbook>"},
      {"xl/styles.xml",
       "<styleSheet " + ns +
           "><fonts><font><sz val=\"11\"/><name val=\"Calibri\"/></font><font><b/><sz val=\"12\"/>"
           "<color rgb=\"FFFF0000\"/><name val=\"Arial\"/></font></fonts>"
           "<cellStyleXfs><xf fontId=\"0\"/></cellStyleXfs><cellXfs><xf fontId=\"0\" xfId=\"0\"/>"
           "<xf fontId=\"1\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
           "<cellStyles><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>"},
      {"xl/sharedStrings.xml",
       "<sst " + ns +
           "><si><r><rPr><b/><sz val=\"11\"/><name val=\"Calibri\"/></rPr><t>Ti</t></r><r><t>tle</t></r></si>"
           "<si><t>x</t></si></sst>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet " + ns +
           "><sheetData>"
           "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1</v></c>"
           "<c r=\"C1\"><f>SUM(B1:B2)*2</f><v>6</v></c><c r=\"D1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
           "<c r=\"E1\"><f>'Other sheet'!A1</f><v>5</v></c></row>"
           "<row r=\"2\"><c r=\"A2\" s=\"1\" t=\"s\"><v>1</v></c><c r=\"B2\"><v>2</v></c>"
           "<c r=\"D2\"><f>SUM(Total)</f><v>3</v></c></row>"
           "<row r=\"3\"><c r=\"B3\"><f>B1+B2</f><v>3</v></c></row>"
           "</sheetData><mergeCells><mergeCell ref=\"A5:B6\"/></mergeCells>"
           "<dataValidations><dataValidation type=\"whole\" sqref=\"B2\"/></dataValidations></worksheet>"},
      {"xl/worksheets/sheet2.xml",
       "<worksheet " + ns + "><sheetData><row r=\"1\"><c r=\"A1\"><v>5</v></c></row></sheetData></worksheet>"},
  };
}

// The parts with every match of pattern in part replaced.
Parts Replaced(Parts parts, const std::string& part, const std::string& pattern, const std::string& by) {
  for (auto& [name, text] : parts) {
    if (name == part) text = std::regex_replace(text, std::regex(pattern), by);
  }
  return parts;
}

// The workbook of Xlsx() with B1 and the blank A7 filled, B1 in a built-in
// number format and B2 in another.
Parts StyledXlsx() {
  const std::string sheet = "xl/worksheets/sheet1.xml";
  Parts parts = Replaced(Xlsx(), "xl/styles.xml", "</fonts>",
                               "</fonts><fills><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
                               "patternType=\"gray125\"/></fill><fill><patternFill patternType=\"solid\"><fgColor "
                               "rgb=\"FFBDC0BF\"/></patternFill></fill></fills>");
  parts = Replaced(parts, "xl/styles.xml", "</cellXfs>",
                         "<xf fontId=\"0\" fillId=\"2\" numFmtId=\"37\"/><xf fontId=\"0\" numFmtId=\"4\"/></cellXfs>");
  for (const auto& [from, to] : {std::pair{"<c r=\"B1\">", "<c r=\"B1\" s=\"2\">"}, {"<c r=\"B2\">", "<c r=\"B2\" s=\"3\">"},
                                 {"</sheetData>", "<row r=\"7\"><c r=\"A7\" s=\"2\"/></row></sheetData>"}}) {
    parts = Replaced(parts, sheet, from, to);
  }
  return parts;
}

Edit AreaEdit(int firstRow, int firstColumn, int lastRow, int lastColumn) {
  return {.kind = Edit::Kind::Cells, .firstRow = firstRow, .firstColumn = firstColumn, .lastRow = lastRow,
          .lastColumn = lastColumn, .newName = ""};
}
Edit CellEdit(int row, int column) { return AreaEdit(row, column, row, column); }

// Table "S": A1 1, A2 2, A3 =A1+A2 (3), A4 "x", B1:C1 merged, and a blank
// row repeated to the end of the sheet, which is never held.
std::string OdsContent() {
  return "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" "
         "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
         "<office:body><office:spreadsheet>"
         "<table:table table:name=\"S\">"
         "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1\"><text:p>1</text:p>"
         "</table:table-cell><table:table-cell table:number-columns-spanned=\"2\"/><table:covered-table-cell/>"
         "</table:table-row>"
         "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row>"
         "<table:table-row><table:table-cell table:formula=\"of:=[.A1]+[.A2]\" office:value-type=\"float\" "
         "office:value=\"3\"/></table:table-row>"
         "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>x</text:p></table:table-cell>"
         "</table:table-row>"
         "<table:table-row table:number-rows-repeated=\"1048572\"><table:table-cell "
         "table:number-columns-repeated=\"1024\"/></table:table-row>"
         "</table:table></office:spreadsheet></office:body></office:document-content>";
}

Parts Ods(const std::string& content) {
  return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
          {"META-INF/manifest.xml",
           "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
           "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
           "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/><manifest:file-entry "
           "manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/></manifest:manifest>"},
          {"content.xml", content}};
}

class PackageCheck : public ::testing::Test {
 protected:
  // Settings of a run of the rules on sheet "S", from dir/in into dir/out.
  batch::RunSettings OfficeRun(const std::vector<std::string>& rules) const {
    batch::RunSettings settings;
    settings.sheetName = "S";
    settings.naming.sourceFolder = dir / "in/";
    settings.naming.saveFolder = dir / "out/";
    settings.rules = rules::ParseRules(rules, false);
    for (const char* folder : {"in", "out"}) fs::create_directories(dir.path() / folder);
    return settings;
  }

  test::TempDir dir;
};

TEST_F(PackageCheck, ReportsWhatAUserSeesChangedAndNotItsEncoding) {
  const std::string xlsx = dir / "book.xlsx", ods = dir / "book.ods";
  WritePackage(dir, "-", ods, Ods(OdsContent()));
  Parts parts = Xlsx();
  parts.push_back({"xl/vbaProject.bin", "macro bytes"});
  parts.push_back({"xl/media/image1.png", "picture"});
  parts.push_back({"xl/threadedComments/threadedComment1.xml", "<ThreadedComments><threadedComment ref=\"A1\"/></ThreadedComments>"});
  parts.push_back({"xl/worksheets/_rels/sheet1.xml.rels", kRelsOpen + "<Relationship Id=\"rId1\" Type=\"http://schemas."
                   "microsoft.com/office/2017/10/relationships/threadedComment\" Target=\"../threadedComments/"
                   "threadedComment1.xml\"/></Relationships>"});
  const std::string vml = "xl/drawings/vmlDrawing1.vml", line = "<v:line id=\"L\"><x:ClientData ObjectType=\"Shape\"/></v:line>";
  parts.push_back({vml, "<xml><v:shapetype id=\"t\"/>" + line +
                            "<v:shape id=\"N\"><x:ClientData ObjectType=\"Note\"/></v:shape></xml>"});
  WritePackage(dir, "-", xlsx, parts);
  const std::string sheet = "xl/worksheets/sheet1.xml";
  // StyledXlsx(); in the .ods, A1 and the blank B2 filled and A1 in a number format.
  const std::string styled = dir / "styled.xlsx", odsStyled = dir / "styled.ods";
  WritePackage(dir, "-", styled, StyledXlsx());
  std::string odsContent = std::regex_replace(
      OdsContent(), std::regex("<office:body>"),
      "<office:automatic-styles><number:number-style style:name=\"N2\"><number:number number:decimal-places=\"2\" "
      "number:min-integer-digits=\"1\"/></number:number-style><style:style style:name=\"ce1\" "
      "style:family=\"table-cell\" style:data-style-name=\"N2\"><style:table-cell-properties "
      "fo:background-color=\"#bdc0bf\"/></style:style></office:automatic-styles><office:body>");
  odsContent = std::regex_replace(odsContent, std::regex("xmlns:office="),
                                  "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                                  "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
                                  "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" xmlns:office=");
  odsContent = std::regex_replace(odsContent, std::regex("office:value=\"1\">"), "office:value=\"1\" table:style-name=\"ce1\">");
  odsContent = std::regex_replace(odsContent, std::regex("office:value=\"2\"/>"),
                                  "office:value=\"2\"/><table:table-cell table:style-name=\"ce1\"/>");
  WritePackage(dir, "-", odsStyled, Ods(odsContent));
  struct Case {
    const char* name;
    std::string source;
    Parts put;
    Subs subs;
    std::vector<std::string> drop;
    std::vector<Edit> edits;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"Unchanged", xlsx, {}, {}, {}, {}, {}},
      {"CellValue", xlsx, {}, {{sheet, "<v>2</v>", "<v>5</v>"}}, {}, {}, {"sheet \"S\", cell B2: 2 → 5"}},
      {"CellFont", xlsx, {}, {{"xl/styles.xml", "FFFF0000", "FF00FF00"}}, {}, {},
       {"sheet \"S\", cell A2: font Arial 12pt bold #FF0000 → Arial 12pt bold #00FF00"}},
      {"TextRun", xlsx, {}, {{"xl/sharedStrings.xml", "<b/>", "<i/>"}}, {}, {},
       {"sheet \"S\", cell A1: font run 1: Calibri 11pt bold from character 1 → Calibri 11pt italic from character 1"}},
      // The same fonts in another order, a shared string written inline, a theme dropped: no difference.
      {"StylesRenumberedStringInline", xlsx, {},
       {{"xl/styles.xml", "<fonts><font><sz val=\"11\"/><name val=\"Calibri\"/></font>",
         "<fonts><font><sz val=\"11\"/><name val=\"Calibri\"/></font><font><sz val=\"8\"/><name val=\"Courier\"/></font>"},
        {"xl/styles.xml", "<xf fontId=\"1\" ", "<xf fontId=\"2\" "},
        {sheet, "<c r=\"A2\" s=\"1\" t=\"s\"><v>1</v></c>", "<c r=\"A2\" s=\"1\" t=\"inlineStr\"><is><t>x</t></is></c>"}},
       {}, {}, {}},
      {"PartsDropped", xlsx, {}, {}, {"xl/media/image1.png", "xl/threadedComments/threadedComment1.xml"}, {},
       {"images: 1 → 0", "threaded comments: 1 → 0"}},
      // A validation of a cell a rule wrote may go with it; another may not.
      {"ValidationLost", xlsx, {}, {{sheet, "<dataValidation type=\"whole\" sqref=\"B2\"/>", ""}}, {}, {},
       {"data validations: 1 → 0"}},
      {"ValidationOfAnEditedCellLost", xlsx, {}, {{sheet, "<dataValidation type=\"whole\" sqref=\"B2\"/>", ""}}, {},
       {CellEdit(2, 2)}, {}},
      // A size of 0 hides a row or a column as its hidden flag does.
      {"SizeOfZeroHides", xlsx, {},
       {{sheet, "<row r=\"3\">", "<row r=\"3\" ht=\"0\" customHeight=\"1\">"},
        {sheet, "<sheetData>", "<cols><col min=\"4\" max=\"4\" width=\"0\"/></cols><sheetData>"}},
       {}, {}, {"sheet \"S\", row 3: shown → hidden", "sheet \"S\", column D: shown → hidden"}},
      {"MacroByte", xlsx, {{"xl/vbaProject.bin", "macro bytez"}}, {}, {}, {}, {"macros (VBA project): present → changed"}},
      // A drawn line lost is reported; written as DrawingML instead, it is kept.
      {"LegacyShapeLost", xlsx, {}, {{vml, line, ""}}, {}, {}, {"drawn shapes: 1 → 0"}},
      {"LegacyShapeAsDrawingML", xlsx,
       {{"xl/drawings/drawing1.xml", "<xdr:wsDr><xdr:twoCellAnchor><xdr:cxnSp macro=\"\"/></xdr:twoCellAnchor></xdr:wsDr>"}},
       {{vml, line, ""}}, {}, {}, {}},
      {"MergeAndVeryHiddenLost", xlsx, {},
       {{sheet, "<mergeCells><mergeCell ref=\"A5:B6\"/></mergeCells>", ""},
        {"xl/workbook.xml", "state=\"veryHidden\"", "state=\"hidden\""}},
       {}, {},
       {"sheet \"S\", merged area A5:B6: present → lost", "sheet \"Other sheet\": very hidden → hidden"}},
      // A merge reaching into a merged area from outside may not undo it; one
      // over all of it may take its place.
      {"MergeReachedFromOutsideLost", xlsx, {}, {{sheet, "ref=\"A5:B6\"", "ref=\"B6:C7\""}}, {},
       {AreaEdit(6, 2, 7, 3)}, {"sheet \"S\", merged area A5:B6: present → lost"}},
      {"MergeCoveredByAnEditReplaced", xlsx, {}, {{sheet, "ref=\"A5:B6\"", "ref=\"A4:C7\""}}, {},
       {AreaEdit(4, 1, 7, 3)}, {}},
      {"ResultsNoEditReaches", xlsx, {},
       {{sheet, "<v>6</v>", "<v>7</v>"}, {sheet, "<v>ab</v>", "<v>ba</v>"}},
       {}, {CellEdit(4, 4)},
       {"sheet \"S\", cell C1: formula result 6 → formula result 7",
        "sheet \"S\", cell D1: formula result \"ab\" → formula result \"ba\""}},
      // B1 written by a rule: C1 (directly), D2 (through the name) and B3 may compute anew; E1 may not.
      {"ResultsAnEditReaches", xlsx, {},
       {{sheet, "<v>6</v>", "<v>8</v>"}, {sheet, "<v>3</v></c></row>", "<v>4</v></c></row>"},
        {sheet, "<v>5</v></c></row>", "<v>4</v></c></row>"}},
       {}, {CellEdit(1, 2)},
       {"sheet \"S\", cell E1: formula result 5 → formula result 4"}},
      // Fills and number formats as they show: written another way, the same; changed, reported.
      {"StyledUnchanged", styled, {}, {}, {}, {}, {}},
      {"FillWithinARoundingAndFormatWrittenOut", styled, {},
       {{"xl/styles.xml", "FFBDC0BF", "FFBEC0BF"},
        {"xl/styles.xml", "numFmtId=\"4\"", "numFmtId=\"164\""},
        {"xl/styles.xml", "<fonts>", "<numFmts><numFmt numFmtId=\"164\" formatCode=\"#,##0.00\"/></numFmts><fonts>"}},
       {}, {}, {}},
      {"FillChanged", styled, {}, {{"xl/styles.xml", "FFBDC0BF", "FFFFFFFF"}}, {}, {},
       {"sheet \"S\", cell B1: fill solid #BDC0BF → solid #FFFFFF",
        "sheet \"S\", cell A7: fill solid #BDC0BF → solid #FFFFFF"}},
      {"BlankCellFillAsItsRowStyle", styled, {},
       {{sheet, "<row r=\"7\"><c r=\"A7\" s=\"2\"/></row>", "<row r=\"7\" s=\"2\" customFormat=\"1\"/>"}}, {}, {},
       {}},
      {"BlankCellFillLost", styled, {}, {{sheet, "<c r=\"A7\" s=\"2\"/>", "<c r=\"A7\"/>"}}, {}, {},
       {"sheet \"S\", cell A7: fill solid #BDC0BF → none"}},
      {"NumberFormatChanged", styled, {}, {{"xl/styles.xml", "numFmtId=\"37\"", "numFmtId=\"38\""}}, {}, {},
       {"sheet \"S\", cell B1: number format \"#,##0 ;(#,##0)\" → \"#,##0 ;[red](#,##0)\""}},
      {"OdsStyledUnchanged", odsStyled, {}, // (ce1 is written three times, N2 twice: a sub replaces the first)
       {{"content.xml", "\"ce1\"", "\"ce9\""}, {"content.xml", "\"ce1\"", "\"ce9\""}, {"content.xml", "\"ce1\"", "\"ce9\""},
        {"content.xml", "\"N2\"", "\"N7\""}, {"content.xml", "\"N2\"", "\"N7\""}},
       {}, {}, {}},
      {"OdsFillChanged", odsStyled, {}, {{"content.xml", "#bdc0bf", "#ffffff"}}, {}, {},
       {"sheet \"S\", cell A1: fill solid #BDC0BF → solid #FFFFFF",
        "sheet \"S\", cell B2: fill solid #BDC0BF → solid #FFFFFF"}},
      {"OdsNumberFormatChanged", odsStyled, {}, {{"content.xml", "decimal-places=\"2\"", "decimal-places=\"3\""}}, {},
       {}, {"sheet \"S\", cell A1: number format \"number-style number number:decimal-places=2 number:min-integer-digits=1\" → "
            "\"number-style number number:decimal-places=3 number:min-integer-digits=1\""}},
      {"OdsUnchanged", ods, {}, {}, {}, {}, {}},
      {"OdsValue", ods, {}, {{"content.xml", "<text:p>x</text:p>", "<text:p>y</text:p>"}}, {}, {},
       {"sheet \"S\", cell A4: \"x\" → \"y\""}},
      {"OdsResultNoEditReaches", ods, {}, {{"content.xml", "office:value=\"3\"", "office:value=\"4\""}}, {}, {},
       {"sheet \"S\", cell A3: formula result 3 → formula result 4"}},
      {"OdsResultAnEditReaches", ods, {}, {{"content.xml", "office:value=\"3\"", "office:value=\"4\""}}, {},
       {CellEdit(2, 1)}, {}},
      {"OdsMergeLost", ods, {}, {{"content.xml", " table:number-columns-spanned=\"2\"", ""}}, {}, {},
       {"sheet \"S\", merged area B1:C1: present → lost"}},
  };
  for (const Case& c : cases) {
    const std::string saved = dir / ("saved-" + (c.name + fs::path(c.source).extension().string()));
    WritePackage(dir, c.source, saved, c.put, c.subs, c.drop);
    EXPECT_EQ(VerifySave(c.source, saved, {"S", c.edits}, 20).lines(), c.expected) << "case " << c.name;
  }
}

// Each kind of cell read as the .xls check describes it: values, formulas, fonts via styles and themes.
TEST_F(PackageCheck, ReadersDescribeCellsAlike) {
  struct Case {
    const char* cell;  // .xlsx: a <c> of A1; .ods: a <table:table-cell>
    std::string expected;
  };
  const Case xlsx[] = {
      {"<c r=\"A1\" t=\"b\"><v>1</v></c>", "TRUE"},
      {"<c r=\"A1\" t=\"e\"><v>#N/A</v></c>", "#N/A"},
      {"<c r=\"A1\" t=\"str\"><f>1/0</f><v>#DIV/0!</v></c>", "formula result #DIV/0! = 1/0"},
      {"<c r=\"A1\" t=\"inlineStr\"><is><t>a_x000D_b</t><rPh><t>x</t></rPh></is></c>", "\"a\rb\""},
      {"<c r=\"A1\"><v>0.10000000000000001</v></c>", "0.1"},
      {"<c r=\"A1\"><f>NOW()</f></c>", "formula result \"\" = NOW()"},  // no stored result
      {"<c r=\"A1\" t=\"b\"><f>TRUE()</f><v>1</v></c>", "TRUE"},  // how the office writes a truth value
      {"<c r=\"A1\" s=\"2\"><v>2</v></c>", "2 in Arial 12pt #1F497D"},  // theme colour dark 2
      {"<c r=\"A1\" s=\"3\"><v>2</v></c>", "2 in Arial 12pt #71A1DC"},  // the same, lightened by half
  };
  const Case ods[] = {
      {"<table:table-cell office:value-type=\"date\" office:date-value=\"2020-01-31T12:00:00\"/>", "43861.5"},
      {"<table:table-cell office:value-type=\"time\" office:time-value=\"PT18H00M00S\"/>", "0.75"},
      {"<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>", "TRUE"},
      {"<table:table-cell office:value-type=\"percentage\" office:value=\"0.5\"/>", "0.5"},
      {"<table:table-cell office:value-type=\"string\"><text:p>a<text:s text:c=\"2\"/>b</text:p>"
       "<text:p>c</text:p><office:annotation><text:p>note</text:p></office:annotation></table:table-cell>",
       "\"a  b\nc\""},
      {"<table:table-cell table:formula=\"of:=NA()\" office:value-type=\"string\" calcext:value-type=\"error\">"
       "<text:p>#N/A</text:p></table:table-cell>",
       "formula result #N/A = of:=NA()"},
  };
  const auto describe = [](const XlsContent& book) {
    const SheetContent& sheet = book.sheets.at(0);
    if (sheet.cells.empty()) return std::string("none");
    const CellValue& cell = sheet.cells.begin()->second;
    std::string text = DescribeValue(cell);
    if (const auto f = sheet.textFormulas.find({1, 1}); f != sheet.textFormulas.end()) text += " = " + *f->second.text;
    return cell.font.empty() || cell.font == "Calibri 11pt" ? text : text + " in " + cell.font;
  };
  const Parts book = Replaced(
      Replaced(Xlsx(), "xl/styles.xml", "</fonts>",
               "<font><sz val=\"12\"/><color theme=\"3\"/><name val=\"Arial\"/></font>"
               "<font><sz val=\"12\"/><color theme=\"3\" tint=\"0.5\"/><name val=\"Arial\"/></font></fonts>"),
      "xl/styles.xml", "</cellXfs>", "<xf fontId=\"2\"/><xf fontId=\"3\"/></cellXfs>");
  int n = 0;
  const auto expect = [&](const Case& c, const std::string& extension, const Parts& parts) {
    const std::string path = dir / ("cell" + std::to_string(++n) + extension);
    WritePackage(dir, "-", path, parts);
    EXPECT_EQ(describe(ReadWorkbookContent(path)), c.expected) << c.cell;
  };
  for (const Case& c : xlsx) {
    expect(c, ".xlsx", Replaced(book, "xl/worksheets/sheet1.xml", "<sheetData>.*</sheetData>",
                                std::string("<sheetData><row r=\"1\">") + c.cell + "</row></sheetData>"));
  }
  for (const Case& c : ods) {
    expect(c, ".ods", Ods(std::regex_replace(OdsContent(), std::regex("<table:table-row>.*</table:table>"),
                                             std::string("<table:table-row>") + c.cell + "</table:table-row></table:table>")));
  }
}

// A part inflating past the read limit, or a repeat count over it, gives no check, with the reason.
TEST_F(PackageCheck, ABombOrAHugeRepeatGivesNoCheck) {
  const std::string book = dir / "book.xlsx", bomb = dir / "bomb.xlsx", ods = dir / "repeat.ods";
  WritePackage(dir, "-", book, Xlsx());
  WritePackage(dir, book, bomb, {}, {}, {"xl/worksheets/sheet1.xml"}, 260);
  WritePackage(dir, "-", ods,
               Ods(std::regex_replace(OdsContent(), std::regex("table:number-columns-repeated=\"1024\""),
                                      "table:number-columns-repeated=\"16384\" office:value-type=\"float\" "
                                      "office:value=\"1\"")));
  for (const std::string& saved : {bomb, ods}) {
    const auto findings = batch::CheckSave(saved.ends_with(".ods") ? saved : book, saved, {}, true);
    EXPECT_TRUE(findings.reason().starts_with("no check possible: ")) << findings.reason();
    EXPECT_NE(findings.reason().find("more than the check reads"), std::string::npos) << findings.reason();
  }
}

// The rules' own edits saved by the real office are not reported, nor a very
// hidden sheet, which the office writes as hidden and the restore puts back.
TEST_F(PackageCheck, TheRulesOwnEditsAreNotReported) {
  batch::CollectedLog log;
  batch::WorkbookEngine engine{test::SharedHost(), log};
  const batch::RunSettings settings = OfficeRun(
      {"{插入行}|正行|3", "{删除行}|正行|5", "2|B|replaced", "{清空}|C4|D4", "{合并}|C4|D4", "{表名}|Renamed"});
  EditFootprint footprint{"S", {}};
  for (const auto& rule : settings.rules) std::ranges::copy(batch::FootprintOf(rule), std::back_inserter(footprint.edits));
  const std::pair<std::string, Parts> books[] = {{"book.xlsx", Xlsx()}, {"book.ods", Ods(OdsContent())}};
  for (const auto& [name, parts] : books) {
    const bool xlsx = name.ends_with(".xlsx");
    WritePackage(dir, "-", dir / ("in/" + name), parts);
    const auto result = engine.ProcessWorkbook(dir / ("in/" + name), settings);
    EXPECT_EQ(result.outcome, batch::Outcome::Processed) << name << ": " << result.reason;
    ASSERT_EQ(result.output, dir / ("out/" + name));
    EXPECT_EQ(result.differences, Lines{}) << name;
    // Planted in the saved copy, a change the rules did not make is caught.
    WritePackage(dir, result.output, dir / ("planted-" + name), {},
                 {xlsx ? Subs::value_type{"xl/sharedStrings.xml", ">x<", ">y<"}
                       : Subs::value_type{"content.xml", "office:value=\"1\"", "office:value=\"5\""}});
    const Lines found = VerifySave(dir / ("in/" + name), dir / ("planted-" + name), footprint, 20).lines();
    const std::string planted = xlsx ? "sheet \"Renamed\", cell A2: \"x\" → \"y\"" : "sheet \"Renamed\", cell A1: 1 → 5";
    EXPECT_NE(std::ranges::find(found, planted), found.end()) << name << ": " << ::testing::PrintToString(found);
  }
}

// How the real office changes the look of cells is reported: a built-in
// number format it writes out as another code, and a fill through the
// workbook's own palette (as some exporters write it) that it shows in the
// standard palette's colour; the fills and formats it keeps are not.
TEST_F(PackageCheck, TheOfficesChangesToFillsAndNumberFormatsAreReported) {
  batch::CollectedLog log;
  batch::WorkbookEngine engine{test::SharedHost(), log};
  const batch::RunSettings settings = OfficeRun({"9|A|probe"});
  std::string palette = "<colors><indexedColors>";
  for (int i = 0; i < 9; ++i) palette += "<rgbColor rgb=\"FF000000\"/>";
  palette += "<rgbColor rgb=\"FFBDC0BF\"/></indexedColors></colors></styleSheet>";
  const Parts parts = Replaced(Replaced(StyledXlsx(), "xl/styles.xml", "rgb=\"FFBDC0BF\"", "indexed=\"9\""),
                               "xl/styles.xml", "</styleSheet>", palette);
  WritePackage(dir, "-", dir / "in/book.xlsx", parts);
  const auto result = engine.ProcessWorkbook(dir / "in/book.xlsx", settings);
  EXPECT_EQ(result.outcome, batch::Outcome::Processed) << result.reason;
  EXPECT_EQ(result.differences, (Lines{"sheet \"S\", cell B1: fill solid #BDC0BF → solid #FFFFFF",
                                       "sheet \"S\", cell B1: number format \"#,##0 ;(#,##0)\" → \"#,##0_);(#,##0)\"",
                                       "sheet \"S\", cell A7: fill solid #BDC0BF → solid #FFFFFF"}));
}

// Each corpus workbook is recognised by content, read and equal to itself; the encrypted one refused.
TEST(CorpusPackages, EveryWorkbookIsRecognisedReadsAndEqualsItself) {
  SHEETWISE_REQUIRE_OOXML_CORPUS();
  size_t read = 0;
  for (const auto& entry : fs::directory_iterator(test::OoxmlCorpusDir())) {
    const std::string path = entry.path().string(), name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (name == "MANIFEST.tsv" || name.starts_with(".")) continue;  // hidden: an office's lock file, say
    if (name.starts_with("encrypted")) {
      EXPECT_THROW(host::InspectWorkbookFile(path), host::HostError) << name;
      EXPECT_EQ(test::ErrorText<host::HostError>([&] { ReadWorkbookContent(path); }), "it is encrypted") << name;
      continue;
    }
    try {
      const auto info = host::InspectWorkbookFile(path);
      EXPECT_EQ(host::FormatExtension(info.format), extension == ".xls" ? ".xlsx" : extension) << name;
      EXPECT_EQ(host::MisnamedNotice(path, info.format).empty(), extension != ".xls") << name;
      EXPECT_EQ(VerifySave(path, path, {"Sheet1", {}}).lines(), Lines{}) << name;
      ++read;
    } catch (const std::exception& e) {
      ADD_FAILURE() << name << ": " << e.what();
    }
  }
  EXPECT_GE(read, 33u);
}

}  // namespace
}  // namespace sheetwise::verify

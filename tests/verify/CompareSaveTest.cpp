// Source against saved file: what counts as a difference, what the edits hide or may recompute.

#include "verify/SaveComparison.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/CellAddress.h"
#include "verify/CellFills.h"
#include "verify/CellLooks.h"

namespace sheetwise::verify {
namespace {
using Lines = std::vector<std::string>;
using Cells = std::map<std::pair<int, int>, CellValue>;
using Tokens = std::vector<uint8_t>;

SheetContent Sheet(const char* name, int visibility = 0, int type = 0) {
  SheetContent sheet;
  sheet.name = name, sheet.visibility = visibility, sheet.type = type;
  return sheet;
}

CellValue Number(const char* text, bool formula = false) {
  return {ValueKind::Number, text, formula, false, "Arial", {}, "", ""};
}


// Sheet "S": A1 = 1, A2 = 2, B4 = 4 and formulas in rows 1 to 3; B2 holds
// text in two fonts; A1 and B4 filled; a very hidden sheet; a macro storage; the name Total
// (S!$A$1:$A$2) and a macro function; another book.
XlsContent Source() {
  XlsContent book;
  book.sheets = {Sheet("S"), Sheet("Other", 2)};
  book.macroStorage = "vba";
  SheetContent& s = book.sheets[0];
  s.cells = {{{1, 1}, Number("1")}, {{2, 1}, Number("2")}, {{4, 2}, Number("4")},
             {{2, 2}, {ValueKind::Text, "ab", false, false, "Arial", {{0, "Arial 10pt"}, {1, "Arial 10pt bold"}}, "", ""}}};
  s.blankFills = {{{1, 9}, "solid #BDC0BF"}};
  const std::pair<std::pair<int, int>, Tokens> formulas[] = {  // tokens as an .xls holds them
      {{3, 1}, {0x24, 0, 0, 0, 0xC0, 0x1E, 3, 0, 0x05}},               // A3 =A1*3
      {{1, 3}, {0x23, 1, 0, 0, 0}},                                    // C1 =Total
      {{2, 3}, {0x23, 2, 0, 0, 0, 0x22, 1, 0xFF, 0}},                  // C2 =MyFunction()
      {{1, 4}, {0x01, 0, 0, 3, 0}}, {{2, 4}, {0x01, 0, 0, 3, 0}},      // D1, D2: the shared formula at D1
      {{1, 5}, {0x21, 74, 0}},                                         // E1 =NOW()
      {{2, 5}, {0x22, 0, 8, 0}},                                       // E2 =ROW()
      {{1, 6}, {0x25, 0, 0, 9, 0, 1, 0xC0, 1, 0xC0, 0x22, 1, 4, 0}},  // F1 =SUM(B1:B10)
      {{2, 6}, {0x18, 0}},                                             // F2: a token of a later format
      {{1, 7}, {0x3A, 1, 0, 0, 0, 0, 0}},                              // G1 =[other.xls]S!A1
      {{2, 7}, {0x24, 2, 0, 0, 0xC0}}};                                // G2 =A3
  for (const auto& [at, tokens] : formulas) {
    s.formulas[at] = tokens;
    s.cells[at] = Number("1", true);
  }
  s.cells[{3, 1}].text = "3";
  s.sharedFormulas = {{1, 2, 4, 4, {0x2C, 0, 0, 0xFD, 0xC0}}};  // D1:D2 = A1, A2 (three columns left)
  book.links.books = {{LinkedBook::Kind::Self, {}}, {LinkedBook::Kind::External, {}}};
  book.links.sheetRanges = {{0, 0, 0}, {1, 0, 0}};
  book.links.names.resize(2);
  book.links.names[0].name = "Total", book.links.names[0].sheet = 0;
  book.links.names[1].name = "MyFunction";
  book.links.names[0].tokens = {0x3B, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  book.entries = {"Workbook", "ETExtData", "\1CompObj", "\5SummaryInformation", "MBD0001A2B3"};
  book.entryBytes = {{"ETEXTDATA", "554 1234"}};
  return book;
}

Edit CellEdit(int row, int column) {
  return {.kind = Edit::Kind::Cells, .firstRow = row, .firstColumn = column, .lastRow = row, .lastColumn = column,
          .newName = ""};
}
Edit Line(Edit::Kind kind, int first) { return {.kind = kind, .first = first, .newName = ""}; }
Edit InsertRow(int row) { return Line(Edit::Kind::InsertRow, row); }

struct Case {
  const char* name;
  std::function<void(XlsContent&, Cells&)> change;  // made to a copy of the source and its S: the saved file
  std::vector<Edit> edits;
  Lines expected;
};

TEST(CompareSave, FindsWhatChangedOutsideTheEdits) {
  const auto result = [](const char* cell, const char* text) {
    return [=](auto&, Cells& cells) {
      const auto at = host::ParseAddress(cell);
      cells[{at->firstRow, at->firstColumn}].text = text;
    };
  };
  const std::vector<Case> cases = {
      {"FontChanged", [](auto&, auto& cells) { cells[{1, 1}].font = "Noto Sans CJK SC"; }, {},
       {"sheet \"S\", cell A1: font Arial → Noto Sans CJK SC"}},
      // Fills show on every cell, blank or not; number formats on numbers and truth values.
      {"FillChanged", [](auto&, auto& cells) { cells[{1, 1}].fill = "solid #FFFFFF"; }, {},
       {"sheet \"S\", cell A1: fill none → solid #FFFFFF"}},
      {"NumberFormatChanged", [](auto&, auto& cells) { cells[{4, 2}].numberFormat = "#,##0_);(#,##0)"; }, {},
       {"sheet \"S\", cell B4: number format General → \"#,##0_);(#,##0)\""}},
      {"NumberFormatOfATextUnseen", [](auto&, auto& cells) { cells[{2, 2}].numberFormat = "0.00"; }, {}, {}},
      {"FillOfAWrittenCellUnchecked", [](auto&, auto& cells) { cells[{1, 1}].fill = "solid #FFFFFF"; },
       {CellEdit(1, 1)}, {}},
      {"BlankCellFillChanged", [](auto& book, auto&) { book.sheets[0].blankFills[{1, 9}] = "solid #FFFFFF"; }, {},
       {"sheet \"S\", cell I1: fill solid #BDC0BF → solid #FFFFFF"}},
      {"BlankCellFillLost", [](auto& book, auto&) { book.sheets[0].blankFills.clear(); }, {},
       {"sheet \"S\", cell I1: fill solid #BDC0BF → none"}},
      {"BlankCellFillMovedWithItsRow",
       [](auto& book, auto& cells) {
         Cells moved;
         for (auto& [at, cell] : cells) moved[{at.first + 1, at.second}] = cell;
         cells = moved;
         book.sheets[0].blankFills = {{{2, 9}, "solid #BDC0BF"}};
       },
       {InsertRow(1)}, {}},
      {"BlankCellFillWhereARuleWrote", [](auto& book, auto&) { book.sheets[0].blankFills.clear(); }, {CellEdit(1, 9)},
       {}},
      {"FillCameOnABlankCell", [](auto& book, auto&) { book.sheets[0].blankFills[{9, 9}] = "solid #FF0000"; }, {},
       {"sheet \"S\", cell I9: fill none → solid #FF0000"}},
      {"NameCameAndWent",
       [](auto& book, auto&) {
         book.links.names[0].name = "Print_Titles", book.links.names[0].sheet = 0;
         book.links.names.push_back({{}, true, "_xlfn.ERROR.TYPE", "", -1});
       },
       {},
       {"defined name \"_xlfn.ERROR.TYPE\": none → present", "defined name \"Print_Titles\" of sheet \"S\": none → present",
        "defined name \"Total\" of sheet \"S\": present → lost"}},
      {"MacroStorageLost", [](auto& book, auto&) { book.macroStorage.clear(); }, {},
       {"macros (VBA project): present → lost"}},
      {"ValueBecameAFormula", [](auto&, auto& cells) { cells[{1, 1}].formula = true; }, {}, {"sheet \"S\", cell A1: 1 → formula result 1"}},
      {"FormulaResultWithinRounding", result("A3", "3.0000000000001"), {}, {}},
      {"FormulaResultAfterAnEditOfItsCell", result("A3", "4"), {CellEdit(1, 1)}, {}},
      {"FormulaResultAfterAnEditElsewhere", result("A3", "4"), {CellEdit(4, 2)}, {"sheet \"S\", cell A3: formula result 3 → formula result 4"}},
      {"MacroFunctionResultAfterAnEditElsewhere",
       [](auto&, auto& cells) { cells[{2, 3}].kind = ValueKind::Error, cells[{2, 3}].text = "#NAME?"; },
       {CellEdit(4, 2)},
       {"sheet \"S\", cell C2: formula result 1 → formula result #NAME?"}},
      {"ThroughADefinedName", result("C1", "5"), {CellEdit(2, 1)}, {}},
      {"SharedFormulaFollowsItsOwnRow",
       [](auto&, auto& cells) { cells[{1, 4}].text = cells[{2, 4}].text = "7"; }, {CellEdit(2, 1)},
       {"sheet \"S\", cell D1: formula result 1 → formula result 7"}},
      {"FormulaOfAFormulaOfTheEditedCell", result("G2", "9"), {CellEdit(1, 1)}, {}},
      {"VolatileUnknownOrOtherBook",
       [](auto&, auto& cells) { cells[{1, 5}].text = cells[{2, 6}].text = cells[{1, 7}].text = "9"; }, {}, {}},
      {"RowFunctionOnceCellsMoved", result("E2", "9"), {InsertRow(11)}, {}},
      {"RowFunctionWhereNothingMoved", result("E2", "9"), {CellEdit(4, 2)}, {"sheet \"S\", cell E2: formula result 1 → formula result 9"}},
      {"RangeARowWasInsertedInto", result("F1", "9"), {InsertRow(10)}, {}},
      {"RangeARowWasInsertedBelow", result("F1", "9"), {InsertRow(11)}, {"sheet \"S\", cell F1: formula result 1 → formula result 9"}},
      {"FormulaLostAfterARowInsertion", [](auto&, auto& cells) { cells[{5, 2}] = cells.extract({4, 2}).mapped(); },
       {InsertRow(3)}, {"sheet \"S\", cell A4: formula result 3 → empty"}},
      {"TextRunsLost", [](auto&, auto& cells) { cells[{2, 2}].runs.clear(); }, {}, {"sheet \"S\", cell B2: font runs 2 → 1"}},
      {"TextRunChanged", [](auto&, auto& cells) { cells[{2, 2}].runs[1].font = "Arial 10pt italic"; }, {},
       {"sheet \"S\", cell B2: font run 2: Arial 10pt bold from character 2 → Arial 10pt italic from character 2"}},
      {"ContainerEntriesDropped",
       [](auto& book, auto&) { book.entries = {"WORKBOOK", "\5SummaryInformation", "MBD00000001"}; }, {},
       {"file part \"ETExtData\": present → lost"}},
      {"AnotherWritersStreamChanged", [](auto& book, auto&) { book.entryBytes["ETEXTDATA"] = "554 4321"; }, {},
       {"file part \"ETExtData\": changed"}},
      {"SummaryInformationDropped", [](auto& book, auto&) { book.entries = {"Workbook", "ETExtData", "MBD1"}; },
       {}, {"file part \"SummaryInformation\": present → lost", "file part \"MBD0001A2B3\": present → lost"}},
      // Cells and merged areas inside a pivot table the office laid out anew are told once, as the table.
      {"PivotTableLaidOutAnew",
       [](auto& book, auto& cells) {
         book.sheets[0].pivotTables = {{"DataPilot1", {1, 1, 2, 2}}};
         book.sheets[0].merged = {{1, 1, 1, 2}};
         cells[{1, 1}].text = cells[{2, 1}].text = cells[{4, 2}].text = "5";
       },
       {},
       {"sheet \"S\", cell B4: 4 → 5",
        "sheet \"S\": pivot table \"DataPilot1\" at A1:B2: laid out anew by the office (labels, layout or values differ)"}},
      // The sheet list and the macro storage; past the first three, differences are only counted.
      {"SheetStateLostAndCounted",
       [](auto& book, auto&) { book.sheets[1] = Sheet("Renamed", 1, 2), book.macroStorage.clear(); }, {},
       {"sheet \"Other\": name \"Other\" → \"Renamed\"", "sheet \"Other\": very hidden → hidden",
        "sheet \"Other\": worksheet → chart sheet", "… 1 more (4 in all)"}}};
  for (const Case& c : cases) {
    XlsContent saved = Source();
    c.change(saved, saved.sheets[0].cells);
    EXPECT_EQ(CompareSave(Source(), saved, {"S", c.edits}, 3).lines(), c.expected) << "case " << c.name;
  }
}

// A fill is told by what shows: no pattern is no fill, whatever its colours;
// a colour by its value, whichever index names it; a solid fill by one colour.
TEST(CompareSave, FillsDescribedAsTheyShow) {
  Palette custom;
  const uint8_t colours[] = {1, 0, 0xFF, 0xFF, 0x00, 0x00};  // index 8 made yellow
  custom.set(colours, sizeof colours);
  const Palette standard;
  const struct {
    XfFill fill;
    const Palette& palette;
    const char* expected;
  } cases[] = {{{0, 10, 12}, standard, ""},
               {{1, 5, 64}, standard, "solid #FFFF00"},
               {{1, 8, 12}, custom, "solid #FFFF00"},
               {{1, 8, 12}, standard, "solid #000000"},
               {{2, 12, 5}, standard, "mediumGray #0000FF on #FFFF00"},
               {{17, 64, 65}, standard, "gray125 #000000 on #FFFFFF"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeFill(c.fill, c.palette), c.expected) << int(c.fill.pattern) << " " << c.fill.fore;
  }
}

// Number formats and fills written another way read alike; others do not.
TEST(CellLooks, AlikeWhereTheyShowAlike) {
  const std::pair<std::string, std::string> sameFormats[] = {
      {BuiltInNumberFormat(0), "General"},          {BuiltInNumberFormat(4), "#,##0.00"},
      {BuiltInNumberFormat(14), "mm-dd-yy"},        {"[$-409]d-mmm-yy", "D-MMM-YY"},
      {"0.0\\ \"kg\"", "0.0 kg"},
  };
  for (const auto& [a, b] : sameFormats) {
    EXPECT_EQ(NumberFormatAsShown(a), NumberFormatAsShown(b)) << a;
  }
  EXPECT_NE(NumberFormatAsShown(BuiltInNumberFormat(37)), NumberFormatAsShown("#,##0_);(#,##0)"));
  EXPECT_EQ(BuiltInNumberFormat(58), "built-in 58");  // the reader's language decides it
  EXPECT_TRUE(SameFillAsSeen("solid #BDC0BF", "solid #BEC0BD"));
  EXPECT_FALSE(SameFillAsSeen("solid #BDC0BF", "solid #C1C0BF"));
  EXPECT_FALSE(SameFillAsSeen("solid #BDC0BF", "gray125 #BDC0BF on #FFFFFF"));
  EXPECT_FALSE(SameFillAsSeen("solid #BDC0BF", ""));
  EXPECT_EQ(FillText("none", 0, 0), "");
  EXPECT_EQ(FillText("darkGrid", 0xFF0000, 0xFFFFFF), "darkGrid #FF0000 on #FFFFFF");
}

// Links follow moved rows, count at a merged area's first cell, and are skipped where rules wrote.
TEST(CompareSave, FollowsHyperlinksThroughTheEdits) {
  XlsContent source;
  source.sheets = {Sheet("S")};
  source.sheets[0].merged = {{5, 2, 6, 3}};
  source.sheets[0].hyperlinks = {{{1, 1, 1, 1}, "docs/a.xlsx", ""},
                                 {{5, 2, 6, 3}, "https://example.com/", "tip"},
                                 {{1, 4, 1, 4}, "#S!A1", ""}};
  using Links = std::vector<Hyperlink>;
  const Links& was = source.sheets[0].hyperlinks;
  const struct {
    const char* name;
    Links saved;
    std::vector<Edit> edits;
    Lines expected;
    std::vector<CellArea> merged = {{5, 2, 6, 3}};  // in the saved file
  } cases[] = {
      {"KeptCellByCell", {was[0], {{5, 2, 5, 2}, "https://example.com/", "tip"}, was[2]}, {}, {}},
      {"MovedByARow", {{{2, 1, 2, 1}, "docs/a.xlsx", ""}, {{6, 2, 7, 3}, "https://example.com/", "tip"},
                       {{2, 4, 2, 4}, "#S!A1", ""}}, {InsertRow(1)}, {}, {{6, 2, 7, 3}}},
      {"TargetAndTipChanged", {{{1, 1, 1, 1}, "../docs/a.xlsx", ""}, {{5, 2, 5, 2}, "https://example.com/", ""}, was[2]},
       {},
       {"sheet \"S\", hyperlink at A1: \"docs/a.xlsx\" → \"../docs/a.xlsx\"",
        "sheet \"S\", hyperlink at B5: \"https://example.com/\" (tip \"tip\") → \"https://example.com/\""}},
      {"LostWhereNoRuleActed", {was[1]}, {CellEdit(1, 1)}, {"sheet \"S\", hyperlink at D1: \"#S!A1\" → lost"}},
      {"AddedOutsideTheEdits", {was[0], was[1], was[2], {{9, 5, 9, 5}, "x.xls", ""}, {{1, 2, 1, 2}, "y.xls", ""}},
       {CellEdit(1, 2)}, {"sheet \"S\", hyperlink at E9: none → \"x.xls\""}}};
  for (const auto& c : cases) {
    XlsContent saved = source;
    saved.sheets[0].hyperlinks = c.saved;
    saved.sheets[0].merged = c.merged;
    EXPECT_EQ(CompareSave(source, saved, {"S", c.edits}).lines(), c.expected) << "case " << c.name;
  }
}

// Hidden rows and columns compared where no rule sized them, followed through inserted/deleted rows.
TEST(CompareSave, HiddenRowsAndColumnsWhereNoRuleSetTheirSize) {
  using K = Edit::Kind;
  using Spans = std::vector<std::pair<int, int>>;
  const struct {
    Spans rows, columns;  // hidden in the saved file
    std::vector<Edit> edits;
    Lines expected;
  } cases[] = {
      {{{5, 6}}, {{3, 3}}, {}, {}},
      {{{5, 5}}, {{3, 4}}, {}, {"sheet \"S\", row 6: hidden → shown", "sheet \"S\", column D: shown → hidden"}},
      {{{6, 7}}, {{3, 3}}, {Line(K::InsertRow, 2)}, {}},
      {{{5, 5}}, {{3, 3}}, {Line(K::DeleteRow, 5)}, {}},
      {{{5, 6}, {9, 9}}, {}, {Line(K::RowSize, 9), Line(K::ColumnSize, 3)}, {}},
      {{{5, 5}}, {{3, 3}}, {Line(K::RowSize, 6)}, {}},  // a rule showed row 6
      {{{5, 6}}, {{3, 3}}, {Line(K::InsertRow, 2)},
       {"sheet \"S\", row 5: shown → hidden", "sheet \"S\", row 7: hidden → shown"}},  // not moved down
      {{{5, 7}}, {{2, 2}}, {Line(K::DeleteColumn, 2), Line(K::InsertRow, 7)}, {}},  // C moved to B; row 7 is new
  };
  XlsContent source;
  source.sheets = {Sheet("S")};
  source.sheets[0].hiddenRows = {{5, 6}};
  source.sheets[0].hiddenColumns = {{3, 3}};
  for (const auto& c : cases) {
    XlsContent saved = source;
    saved.sheets[0].hiddenRows = c.rows, saved.sheets[0].hiddenColumns = c.columns;
    EXPECT_EQ(CompareSave(source, saved, {"S", c.edits}).first, c.expected) << c.edits.size() << " edits";
  }
}

// Column widths where no rule sized them, followed through deleted columns;
// neighbours changed alike told as one span, hidden columns left to their own check.
TEST(CompareSave, ColumnWidthsWhereNoRuleSetThem) {
  using K = Edit::Kind;
  using Widths = std::vector<ColumnWidth>;
  const ColumnWidth nine{2304, false}, sixteen{4096, false}, eight{2048, false};
  const struct {
    Widths saved;
    std::vector<Edit> edits;
    Lines expected;
    std::vector<std::pair<int, int>> hidden = {};  // in both files
  } cases[] = {
      {{nine, nine, sixteen, nine, nine}, {}, {}},
      {{{2300, false}, {2310, false}, {4130, false}, nine, nine}, {}, {}},  // the office's rounding
      {{eight, eight, sixteen, eight, nine}, {},
       {"sheet \"S\", column A:B: width 9 → 8 characters", "sheet \"S\", column D: width 9 → 8 characters"}},
      {{nine, sixteen, nine, nine, nine}, {Line(K::DeleteColumn, 1)}, {}},
      {{nine, nine, nine, nine, nine}, {Line(K::ColumnSize, 3)}, {}},
      {{nine, nine, nine, nine, nine}, {}, {"sheet \"S\", column C: width 16 → 9 characters"}},
      {{nine, nine, sixteen, {0, false}, nine}, {}, {}, {{4, 4}}},  // D hidden: told as hidden, not by its width
      // A default in characters shows with padding under one character: 8 is
      // not 9; 15.63 shows as 16.
      {{{2048, true}, {2048, true}, {4000, true}, nine, nine}, {},
       {"sheet \"S\", column A:B: width 9 → 8 characters"}},
  };
  XlsContent source;
  source.sheets = {Sheet("S")};
  source.sheets[0].columnWidths = {nine, nine, sixteen, nine, nine};
  for (const auto& c : cases) {
    source.sheets[0].hiddenColumns = c.hidden;
    XlsContent saved = source;
    saved.sheets[0].columnWidths = c.saved;
    EXPECT_EQ(CompareSave(source, saved, {"S", c.edits}).first, c.expected) << ::testing::PrintToString(c.saved);
  }
}

}  // namespace
}  // namespace sheetwise::verify

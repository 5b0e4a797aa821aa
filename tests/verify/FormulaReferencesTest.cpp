// Reading formulas for what they refer to: tokens as an .xls holds them and
// texts as .xlsx and .ods keep them (references of every kind, what makes a
// result change by itself, what cannot be interpreted, texts that only look
// like references); and which formulas may change once cells are edited.

#include <gtest/gtest.h>

#include "ReferencesText.h"
#include "verify/FormulaDependencies.h"
#include "verify/FormulaText.h"
#include "verify/FormulaTokens.h"

namespace sheetwise::verify {
namespace {

using test::Describe;

TEST(FormulaTokens, FindsWhatAnExpressionRefersTo) {
  FormulaLinks links;
  links.books = {{LinkedBook::Kind::Self, {}}, {LinkedBook::Kind::AddIn, {"EOMONTH", "randBetween"}},
                 {LinkedBook::Kind::External, {"Rate"}}};
  links.sheetRanges = {{0, 0, 2}, {1, 0xFFFE, 0xFFFE}, {2, 0, 0}, {0, 7, 7}};
  links.names.resize(1);
  const FormulaPlace cell{1, 10, 3};  // C10 of the second sheet
  const FormulaPlace name{};
  struct Case {
    const char* name;
    std::vector<uint8_t> tokens;
    FormulaPlace place;
    std::string expected;
  };
  const Case cases[] = {
      {"CellAndArea", {0x24, 4, 0, 1, 0xC0, 0x45, 0, 0, 1, 0, 0, 0, 2, 0, 0x03}, cell, "1-1!5-5,2-2 1-1!1-2,1-3 "},
      {"ThreeDimensional", {0x5A, 0, 0, 0, 0, 0, 0}, cell, "0-2!1-1,1-1 "},
      {"SharedFormulaOffsets", {0x2C, 0xFF, 0xFF, 0xFE, 0xC0}, cell, "1-1!9-9,1-1 "},
      {"OffsetsWrapAroundTheSheet", {0x2C, 0xFF, 0xFF, 0xFF, 0xC0}, {0, 1, 1}, "0-0!65536-65536,256-256 "},
      {"RelativeInANameMeansAnyCell", {0x3A, 0, 0, 4, 0, 1, 0x80}, name, "0-2!1-65536,2-2 "},
      {"NameWithoutASheetMeansAnySheet", {0x24, 0, 0, 0, 0}, name, "0-2!1-1,1-1 "},
      {"DefinedName", {0x23, 1, 0, 0, 0}, cell, "name0 "},
      {"VolatileFunctions", {0x21, 74, 0, 0x41, 148, 0}, cell, "volatile "},
      {"VolatileAttribute", {0x19, 0x01, 0, 0}, cell, "volatile "},
      {"PositionalFunction", {0x22, 0, 8, 0}, cell, "positional "},
      {"AddInFunctions", {0x39, 1, 0, 1, 0, 0, 0, 0x39, 1, 0, 2, 0, 0, 0}, cell, "volatile "},
      {"OtherWorkbook", {0x3A, 2, 0, 0, 0, 0, 0, 0x39, 2, 0, 1, 0, 0, 0}, cell, "external "},
      {"ChooseTableTextAndSubExpressionSkipped",
       {0x19, 0x04, 1, 0, 4, 0, 8, 0, 0x17, 2, 1, 'a', 0, 'b', 0, 0x29, 5, 0, 0x24, 0, 0, 0, 0}, cell,
       "1-1!1-1,1-1 "},
      {"InvalidReferencesReferToNothing", {0x2A, 0, 0, 0, 0, 0x3D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, cell, ""},
      {"DeletedSheet", {0x3A, 3, 0, 0, 0, 0, 0}, cell, "unknown "},
      {"CutShort", {0x24, 0, 0}, cell, "unknown "},
      {"UnknownToken", {0x02, 0, 0, 0, 0}, cell, "unknown "},
      {"NameOutOfRange", {0x23, 2, 0, 0, 0}, cell, "unknown "}};
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(ReadFormulaTokens(c.tokens, links, 3, c.place)), c.expected) << "case " << c.name;
  }
}

TEST(FormulaText, FindsWhatATextRefersTo) {
  XlsContent book;
  book.lastRow = 1048576, book.lastColumn = 16384;
  for (const char* name : {"Sheet1", "Sheet 2", "Sheet3", "It's"}) book.sheets.emplace_back().name = name;
  DefinedName total, local;
  total.name = "Total", local.name = "Rate", local.sheet = 1;
  book.links.names = {total, local};
  const FormulaPlace c10{1, 10, 3};  // C10 of "Sheet 2"
  constexpr auto x = FormulaSyntax::Ooxml, o = FormulaSyntax::Ods;
  struct Case {
    const char* text;
    FormulaSyntax syntax;
    std::string expected;
    int rowShift = 0;
  };
  const Case cases[] = {
      {"A1+$B$2*C3:D4", x, "1-1!1-1,1-1 1-1!2-2,2-2 1-1!3-4,3-4 "},
      {"SUM(3:3,C:C)", x, "1-1!3-3,1-16384 1-1!1-1048576,3-3 "},
      {"'Sheet 2'!A1:B2+Sheet1!XFD1048576", x, "1-1!1-2,1-2 0-0!1048576-1048576,16384-16384 "},
      {"SUM(Sheet1:Sheet3!A1)+'It''s'!A1", x, "0-2!1-1,1-1 3-3!1-1,1-1 "},
      {"Total*Rate+Sheet1!Rate", x, "name0 name1 unknown "},
      {"[1]Sheet1!A1+1", x, "external "},
      {"SUM(Table1[Amount])", x, "unknown "},
      {"_xlfn.RANDARRAY(2)+ROW()+INDIRECT(\"A1\")", x, "volatile positional "},
      {"\"A1 and 'Sheet3'!B2\"&TRUE&{\"C3\",1}&#REF!&1E+5", x, ""},
      {"A1+B$2", x, "1-1!3-3,1-1 1-1!2-2,2-2 ", 2},  // a shared formula two rows on
      {"of:=[.A1]+['Sheet 2'.B3:.C4]*[$Sheet1.$A$1]", o, "1-1!1-1,1-1 1-1!3-4,2-3 0-0!1-1,1-1 "},
      {"of:=SUM([$Sheet1.A1:$Sheet3.B2])+[.A:.B]+[.3:.4]", o, "0-2!1-2,1-2 1-1!1-1048576,1-2 1-1!3-4,1-16384 "},
      {"of:=['file:///tmp/other.ods'#$Sheet1.A1]", o, "external "},
      {"of:=\"[.A1]\"&Total&$$Rate", o, "name0 name1 "},
      {"of:=[.#REF!]+NOW()", o, "volatile "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(ReadFormulaText(c.text, c.syntax, book, c10, c.rowShift)), c.expected) << c.text;
  }
  // In a defined name, a relative reference may mean any row and column.
  EXPECT_EQ(Describe(ReadFormulaText("Sheet1!A$1", x, book, {-1, 0, 0})), "0-0!1-1,1-16384 ");
}

// On a sheet of running totals of formulas, each total depends on every
// formula above it: the totals below an edit may change and those above it
// may not, however many rows there are.
TEST(FormulaDependencies, RunningTotalsBelowAnEditMayChangeThoseAboveMayNot) {
  constexpr int kRows = 20000;
  XlsContent book;
  book.sheets.resize(1);
  for (int row = 1; row <= kRows; ++row) {
    const auto last = static_cast<uint16_t>(row - 1);
    const auto low = static_cast<uint8_t>(last & 0xFF), high = static_cast<uint8_t>(last >> 8);
    // B(row) = SUM($C$1:C(row)); C(row) = A(row)
    book.sheets[0].formulas[{row, 2}] = {0x25, 0, 0, low, high, 2, 0, 2, 0xC0, 0x22, 1, 4, 0};
    book.sheets[0].formulas[{row, 3}] = {0x24, low, high, 0, 0xC0};
  }
  Edit edit{.kind = Edit::Kind::Cells, .firstRow = 15000, .firstColumn = 1, .lastRow = 15000, .lastColumn = 1,
            .newName = ""};
  const auto changing = FormulasThatMayChange(book, {{&edit}}).at(0);
  EXPECT_EQ(changing.size(), kRows - 15000 + 2u);  // C15000 and B15000 to the last total
  EXPECT_TRUE(changing.count({15000, 3}) && changing.count({15000, 2}) && changing.count({kRows, 2}));
  EXPECT_FALSE(changing.count({14999, 2}) || changing.count({15001, 3}));
}

}  // namespace
}  // namespace sheetwise::verify

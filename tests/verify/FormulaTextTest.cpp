// Reading formulas kept as text (.xlsx and .ods) for what they refer to:
// references of every kind in both syntaxes, and texts that only look like them.

#include "verify/FormulaText.h"

#include <gtest/gtest.h>

#include "ReferencesText.h"

namespace sheetwise::verify {
namespace {

using test::Describe;

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

}  // namespace
}  // namespace sheetwise::verify

// Reading formulas' expressions for what they refer to, on tokens as an .xls
// holds them: references of every kind, what makes a result change by itself,
// and what cannot be interpreted.

#include "verify/FormulaTokens.h"

#include <gtest/gtest.h>

#include "ReferencesText.h"

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

}  // namespace
}  // namespace sheetwise::verify

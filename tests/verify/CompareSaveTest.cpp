// The comparison of a source with its saved file, on contents described in
// the test: what counts as a difference, where the rules' edits hide cells.

#include "verify/SaveComparison.h"

#include <gtest/gtest.h>

#include <functional>

namespace sheetwise::verify {
namespace {
using Lines = std::vector<std::string>;
using Cells = std::map<std::pair<int, int>, CellValue>;

CellValue Number(const char* text, bool formula = false) {
  return {ValueKind::Number, text, formula, false, "Arial"};
}

// Sheet "S" with A1 = 1, A3 = =(3), B4 = 4; a very hidden sheet; a macro storage.
XlsContent Source() {
  return {{{"S", 0, 0, {{{1, 1}, Number("1")}, {{3, 1}, Number("3", true)}, {{4, 2}, Number("4")}}},
           {"Other", 2, 0, {}}},
          0, {}, "vba"};
}

struct Case {
  const char* name;
  std::function<void(XlsContent&, Cells&)> change;  // made to a copy of the source and its S: the saved file
  std::vector<Edit> edits;
  Lines expected;
};

TEST(CompareSave, FindsWhatChangedOutsideTheEdits) {
  const std::vector<Case> cases = {
      {"FontChanged", [](auto&, auto& cells) { cells[{1, 1}].font = "Noto Sans CJK SC"; }, {},
       {"sheet \"S\", cell A1: font Arial → Noto Sans CJK SC"}},
      {"MacroStorageLost", [](auto& book, auto&) { book.macroStorage.clear(); }, {},
       {"macros (VBA project): present → lost"}},
      {"FormulaResultChanged", [](auto&, auto& cells) { cells[{3, 1}].text = "4"; }, {},
       {"sheet \"S\", cell A3: formula result 3 → formula result 4"}},
      {"FormulaResultWithinRounding", [](auto&, auto& cells) { cells[{3, 1}].text = "3.0000000000001"; }, {},
       {}},
      {"FormulaResultAfterAValueEdit",
       [](auto&, auto& cells) { cells[{3, 1}].text = cells[{1, 1}].text = "4"; },
       {Edit{.kind = Edit::Kind::Cells, .firstRow = 1, .firstColumn = 1, .lastRow = 1, .lastColumn = 1,
             .newName = ""}},
       {}},
      {"FormulaLostAfterARowInsertion",
       [](auto&, auto& cells) { cells[{5, 2}] = cells.extract({4, 2}).mapped(); },
       {Edit{.kind = Edit::Kind::InsertRow, .first = 3, .newName = ""}}, {"sheet \"S\", cell A4: formula result 3 → empty"}}};
  for (const Case& c : cases) {
    XlsContent saved = Source();
    c.change(saved, saved.sheets[0].cells);
    EXPECT_EQ(CompareSave(Source(), saved, {"S", c.edits}).lines(), c.expected) << "case " << c.name;
  }
}

// The sheet list and the macro storage; past the first few, differences are only counted.
TEST(CompareSave, FindsLostSheetStateAndCountsWhatItDoesNotDescribe) {
  XlsContent saved = Source();
  saved.sheets[1] = {"Renamed", 1, 2, {}};
  saved.macroStorage.clear();
  EXPECT_EQ(CompareSave(Source(), saved, {"S", {}}, 3).lines(),
            (Lines{"sheet \"Other\": name \"Other\" → \"Renamed\"", "sheet \"Other\": very hidden → hidden",
                   "sheet \"Other\": worksheet → chart sheet", "… 1 more (4 in all)"}));
}

}  // namespace
}  // namespace sheetwise::verify

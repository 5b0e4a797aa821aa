// The comparison of a source with its saved file, on contents described in
// the test: what counts as a difference, and where the rules' edits move or
// hide cells.

#include "verify/SaveComparison.h"

#include <gtest/gtest.h>

namespace sheetwise::verify {
namespace {
using Lines = std::vector<std::string>;

CellValue Number(const char* text, bool formula = false) { return {ValueKind::Number, text, formula, false, "Arial"}; }
CellValue Text(const char* text) { return {ValueKind::Text, text, false, false, "Arial"}; }

// Sheet "S" with A1 = 1, A2 = "two", A3 = =(3), B4 = 4; a macro storage.
XlsContent Source() {
  XlsContent c;
  c.sheets.push_back({"S", 0, 0, {{{1, 1}, Number("1")}, {{2, 1}, Text("two")}, {{3, 1}, Number("3", true)},
                                   {{4, 2}, Number("4")}}});
  c.sheets.push_back({"Other", 2, 0, {}});
  c.macroStorage = "vba";
  return c;
}

Edit RowEdit(Edit::Kind kind, int row) {
  Edit e;
  e.kind = kind;
  e.first = row;
  return e;
}

struct Case {
  const char* name;
  std::function<void(XlsContent&)> change;  // made to a copy of the source: the saved file
  std::vector<Edit> edits;
  Lines expected;
};

class CompareSaveTest : public ::testing::TestWithParam<Case> {};

TEST_P(CompareSaveTest, FindsWhatChangedOutsideTheEdits) {
  XlsContent saved = Source();
  GetParam().change(saved);
  EXPECT_EQ(CompareSave(Source(), saved, {"S", GetParam().edits}).lines(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareSaveTest,
    ::testing::Values(
        Case{"Same", [](XlsContent&) {}, {}, {}},
        Case{"ValueChanged", [](XlsContent& c) { c.sheets[0].cells[{2, 1}].text = "deux"; }, {}, {"S!A2: \"two\" → \"deux\""}},
        Case{"CellLost", [](XlsContent& c) { c.sheets[0].cells.erase({4, 2}); }, {}, {"S!B4: 4 → \"\""}},
        Case{"FontChanged", [](XlsContent& c) { c.sheets[0].cells[{1, 1}].font = "Noto Sans CJK SC"; }, {},
             {"S!A1 font: Arial → Noto Sans CJK SC"}},
        Case{"SheetLostVeryHidden", [](XlsContent& c) { c.sheets[1].visibility = 1; }, {},
             {"sheet \"Other\": very hidden → hidden"}},
        Case{"MacroStorageLost", [](XlsContent& c) { c.macroStorage.clear(); }, {}, {"macro storage: present → lost"}},
        Case{"FormulaResultChanged", [](XlsContent& c) { c.sheets[0].cells[{3, 1}].text = "4"; }, {},
             {"S!A3: =(3) → =(4)"}},
        Case{"FormulaResultWithinRounding", [](XlsContent& c) { c.sheets[0].cells[{3, 1}].text = "3.0000000000001"; },
             {}, {}},
        Case{"FormulaResultAfterAValueEdit",
             [](XlsContent& c) {
               c.sheets[0].cells[{3, 1}].text = "4";
               c.sheets[0].cells[{1, 1}].text = "2";
             },
             {[] {
               Edit e;
               e.sheet = SheetRole::Named;
               e.firstRow = e.lastRow = e.firstColumn = e.lastColumn = 1;
               return e;
             }()},
             {}},
        Case{"RowInsertedAboveFollowed",
             [](XlsContent& c) {
               auto& cells = c.sheets[0].cells;
               cells[{5, 2}] = cells[{4, 2}];
               cells[{4, 1}] = cells[{3, 1}];
               cells[{4, 1}].text = "30";  // computed again after the insertion
               cells.erase({4, 2});
               cells[{3, 1}] = Text("in the new row");
             },
             {RowEdit(Edit::Kind::InsertRow, 3)},
             {}},
        Case{"FormulaLostAfterARowInsertion",
             [](XlsContent& c) {
               auto& cells = c.sheets[0].cells;
               cells[{5, 2}] = cells[{4, 2}];
               cells.erase({4, 2});
             },
             {RowEdit(Edit::Kind::InsertRow, 3)},
             {"S!A4: =(3) → \"\""}},
        Case{"RowDeletedFollowedAndADifferenceBelowFound",
             [](XlsContent& c) {
               auto& cells = c.sheets[0].cells;
               cells.erase({2, 1});
               cells[{2, 1}] = cells[{3, 1}];
               cells.erase({3, 1});
               cells[{3, 2}] = Number("5");
               cells.erase({4, 2});
             },
             {RowEdit(Edit::Kind::DeleteRow, 2)},
             {"S!B3: 4 → 5"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompareSave, CountsWhatItDoesNotDescribe) {
  XlsContent saved = Source();
  for (auto& [at, cell] : saved.sheets[0].cells) cell.font = "Other";
  const auto found = CompareSave(Source(), saved, {"S", {}}, 2);
  EXPECT_EQ(found.count, 4u);
  EXPECT_EQ(found.lines(), (Lines{"S!A1 font: Arial → Other", "S!A2 font: Arial → Other", "… 2 more (4 in all)"}));
}

}  // namespace
}  // namespace sheetwise::verify

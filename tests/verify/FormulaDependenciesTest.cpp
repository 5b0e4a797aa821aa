// Which formulas may change, on a sheet of running totals of formulas: each
// total depends on every formula above it, so the totals below an edit may
// change and those above it may not, however many rows there are.

#include "verify/FormulaDependencies.h"

#include <gtest/gtest.h>

namespace sheetwise::verify {
namespace {

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

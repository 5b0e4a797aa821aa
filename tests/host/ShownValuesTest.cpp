// Cells read as text as the sheet shows them, by one cell and by the whole
// used area alike: dates, times and truth values by what they are.

#include <gtest/gtest.h>

#include "TableWorkbook.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::host {
namespace {

TEST(ShownValues, OneCellAndTheUsedAreaAgree) {
  test::TempDir dir;
  test::WriteTableWorkbook(dir.path() / "values.xls",
                           "Name,When,At,Flag,Amount\nok,2024-01-31,12:30:00,TRUE,2.5\nno,2024-02-29,07:05:09,FALSE,-3\n");
  const auto book = test::SharedHost().open(dir / "values.xls", OpenMode::ReadOnly);
  const auto sheet = book->worksheet("Sheet1");
  const std::vector<std::vector<std::string>> shown = {{"Name", "When", "At", "Flag", "Amount"},
                                                       {"ok", "2024-01-31", "12:30:00", "TRUE", "2.5"},
                                                       {"no", "2024-02-29", "07:05:09", "FALSE", "-3"}};
  EXPECT_EQ(sheet->usedTable(), shown);
  for (int row = 1; row <= 3; ++row) {
    for (int column = 1; column <= 5; ++column) {
      EXPECT_EQ(sheet->cellText(row, column), shown[row - 1][column - 1]) << row << "," << column;
    }
  }
}

}  // namespace
}  // namespace sheetwise::host

#include "host/CellAddress.h"

#include <gtest/gtest.h>

#include <tuple>

namespace sheetwise::host {
namespace {

TEST(ParseAddress, CellsRangesRowsAndColumnsWithinTheSheet) {
  const std::tuple<const char*, int, int, int, int> cases[] = {
      {"$B$7:c8", 7, 2, 8, 3}, {"C8:B7", 7, 2, 8, 3}, {"3:9", 3, 1, 9, kMaxColumns},
      {"AA:AA", 1, 27, kMaxRows, 27}, {"XFD1048576", 1048576, 16384, 1048576, 16384}};
  for (const auto& [address, r1, c1, r2, c2] : cases) {
    const auto r = ParseAddress(address).value_or(CellRect{});
    EXPECT_EQ(std::tuple(r.firstRow, r.firstColumn, r.lastRow, r.lastColumn), std::tuple(r1, c1, r2, c2))
        << address;
  }
  for (const char* bad : {"", "5", "B", "B0", "B7:", ":B7", "XFE1", "A1048577", "B7:5", "B-1", "7B", "B 7",
                          "正行", "5.0:5.0", "B7:C8:D9"}) {
    EXPECT_FALSE(ParseAddress(bad).has_value()) << bad;
  }
  EXPECT_EQ(ColumnLetters(26) + ColumnLetters(27) + ColumnLetters(256), "ZAAIV");
  // Within an .xls grid, spans end at its edge and what lies beyond is no address.
  const auto row = ParseAddress("3:3", kXlsGrid).value_or(CellRect{});
  EXPECT_EQ(std::tuple(row.lastRow, row.lastColumn), std::tuple(3, 256));
  EXPECT_FALSE(ParseAddress("IW1", kXlsGrid).has_value());
  EXPECT_FALSE(ParseAddress("A65537", kXlsGrid).has_value());
}

}  // namespace
}  // namespace sheetwise::host

#include "host/CellAddress.h"

#include <gtest/gtest.h>

namespace sheetwise::host {
namespace {

void ExpectRect(const char* address, int r1, int c1, int r2, int c2) {
  SCOPED_TRACE(address);
  const auto rect = ParseAddress(address);
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->firstRow, r1);
  EXPECT_EQ(rect->firstColumn, c1);
  EXPECT_EQ(rect->lastRow, r2);
  EXPECT_EQ(rect->lastColumn, c2);
}

TEST(ParseAddress, CellsRangesRowsAndColumns) {
  ExpectRect("B7", 7, 2, 7, 2);
  ExpectRect("A5:Z5", 5, 1, 5, 26);
  ExpectRect("$B$7:c8", 7, 2, 8, 3);
  ExpectRect("C8:B7", 7, 2, 8, 3);  // corners in any order
  ExpectRect("5:5", 5, 1, 5, kMaxColumns);
  ExpectRect("3:9", 3, 1, 9, kMaxColumns);
  ExpectRect("C:C", 1, 3, kMaxRows, 3);
  ExpectRect("AA:AA", 1, 27, kMaxRows, 27);
  ExpectRect("IV65536", 65536, 256, 65536, 256);
}

TEST(ParseAddress, RefusesWhatIsNoAddress) {
  for (const char* bad : {"", "5", "B", "B0", "A0:Z0", "B7:", ":B7", "IW1", "A65537", "B7:5", "B-1", "7B",
                          "B 7", "正行", "5.0:5.0", "B7:C8:D9"}) {
    EXPECT_FALSE(ParseAddress(bad).has_value()) << bad;
  }
}

TEST(ColumnLetters, RoundTrip) {
  for (int column : {1, 26, 27, 52, 53, 256}) {
    EXPECT_EQ(ColumnFromLetters(ColumnLetters(column)), column);
  }
  EXPECT_EQ(ColumnLetters(28), "AB");
}

}  // namespace
}  // namespace sheetwise::host

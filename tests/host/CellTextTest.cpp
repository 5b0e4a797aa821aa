#include "host/CellAddress.h"
#include "host/CellContent.h"

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

// Only what the cell shows back exactly becomes a number: identity numbers,
// leading zeros and trailing zeros stay text.
TEST(ClassifyContent, PlainDecimalsBecomeNumbersEverythingElseStaysAsTyped) {
  for (const auto& [text, value] : {std::pair{"42", 42.0}, {"-3.5", -3.5}, {"0", 0.0}, {"0.25", 0.25}}) {
    double number = -1;
    EXPECT_EQ(ClassifyContent(text, &number), ContentKind::Number) << text;
    EXPECT_EQ(number, value) << text;
  }
  EXPECT_EQ(ClassifyContent("=SUM(A1:A3)", nullptr), ContentKind::Formula);
  for (const char* text : {"007", "3.50", "110101199003074512", "1e5", "+4", " 4", "1,000", "-0", ".5", "5.",
                           "", "2024-01-01", "1234567890123456"}) {
    EXPECT_EQ(ClassifyContent(text, nullptr), ContentKind::Text) << text;
  }
}

// Plain dates and times: the office host's tests; here 1904 dates and rounding.
TEST(SerialToText, OtherDateSystemsAndRoundingIntoTheNextDay) {
  EXPECT_EQ(SerialToText(1, {1904, 1, 1}, true, false), "1904-01-02");
  EXPECT_EQ(SerialToText(41774.999999, {1899, 12, 30}, true, true), "2014-05-16 00:00:00");
}

}  // namespace
}  // namespace sheetwise::host

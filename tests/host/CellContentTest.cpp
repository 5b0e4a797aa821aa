#include "host/CellContent.h"

#include <gtest/gtest.h>

namespace sheetwise::host {
namespace {

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

#include "rules/RuleString.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "TestPaths.h"
#include "ui/MemoryMonitor.h"

namespace sheetwise::rules {
namespace {

using Fields = std::vector<std::string>;

// The first character's code minus 64, and back for any column.
TEST(ColumnNumber, TakesTheFirstCharacterCodeMinus64) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"A", 1}, {"Z", 26}, {"AB", 1}, {"1", 49 - 64}, {"列", 0x5217 - 64}, {"", std::nullopt}};
  for (const auto& [text, column] : cases) EXPECT_EQ(ColumnNumber(text), column) << text;
  for (int column : {1, 26, 27, 63, 100, 300, 5000}) EXPECT_EQ(ColumnNumber(ColumnCharacter(column)), column);
}

TEST(RoundedInteger, RoundsHalfToEvenAndRefusesWords) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"7", 7},  {"2.5", 2},          {"3.5", 4},           {"-1.5", -2},         {" 8 ", 8},
      {"1e2", 100}, {"abc", std::nullopt}, {"", std::nullopt}, {"{小偷}5", std::nullopt}, {"0x10", std::nullopt},
      {"99999999999", std::nullopt}};
  for (const auto& [text, value] : cases) EXPECT_EQ(RoundedInteger(text), value) << text;
}

TEST(GeneralNumberText, FifteenDigitsNoTrailingZeros) {
  const std::pair<double, const char*> cases[] = {{42, "42"}, {3.5, "3.5"}, {0.1, "0.1"}, {-2, "-2"}, {0.1 + 0.2, "0.3"},
                                                  {123456789012345.0, "123456789012345"}, {1e20, "1E+20"}};
  for (const auto& [number, text] : cases) EXPECT_EQ(GeneralNumberText(number), text) << text;
}

// A decimal-comma locale compiled into a scratch folder, in force while it lives.
struct DecimalCommaLocale {
  DecimalCommaLocale() {
    const std::string made = "localedef -i de_DE -f UTF-8 '" + (dir.path() / "de_DE.UTF-8").string() + "' 2>/dev/null";
    if (std::system(made.c_str()) != 0 && !std::filesystem::exists(dir.path() / "de_DE.UTF-8")) return;
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
  }
  test::TempDir dir;
  bool active = false;
};

// Numbers in rules, cells and captions are read and written with "." whatever the process locale.
TEST(LocaleFreeNumbers, DotsUnderADecimalCommaLocale) {
  DecimalCommaLocale locale;
  if (!locale.active) GTEST_SKIP() << "no de_DE locale can be compiled here (localedef and the locales data)";
  ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
  EXPECT_EQ(ParseNumber("2.5"), 2.5);
  EXPECT_FALSE(ParseNumber("2,5"));
  EXPECT_EQ(GeneralNumberText(3.5), "3.5");
  EXPECT_EQ(ui::MemoryCaption(0.55), "内存占用 55.00%");
}

}  // namespace
}  // namespace sheetwise::rules

// Numbers in rules, cells and captions are read and written with "." whatever
// the process locale, also under a locale whose decimal mark is ",".

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestPaths.h"
#include "rules/RuleString.h"
#include "ui/MemoryMonitor.h"

namespace sheetwise::rules {
namespace {
namespace fs = std::filesystem;

// A decimal-comma locale compiled into a scratch folder, in force while it lives.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    const std::string made = "localedef -i de_DE -f UTF-8 '" + (dir_.path() / "de_DE.UTF-8").string() + "' 2>/dev/null";
    if (std::system(made.c_str()) != 0 && !fs::exists(dir_.path() / "de_DE.UTF-8")) return;
    ::setenv("LOCPATH", dir_.path().c_str(), 1);
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
  }
  bool active() const { return active_; }

 private:
  test::TempDir dir_;
  bool active_ = false;
};

TEST(LocaleFreeNumbers, DotsUnderADecimalCommaLocale) {
  DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no de_DE locale can be compiled here (localedef and the locales data)";
  ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
  EXPECT_EQ(ParseNumber("2.5"), 2.5);
  EXPECT_EQ(ParseNumber("+1e3"), 1000.0);
  EXPECT_FALSE(ParseNumber("2,5"));
  EXPECT_FALSE(ParseNumber("+-2"));
  EXPECT_EQ(RoundedInteger(" 2.5 "), 2);
  EXPECT_EQ(GeneralNumberText(3.5), "3.5");
  EXPECT_EQ(GeneralNumberText(1e20), "1E+20");
  EXPECT_EQ(GeneralNumberText(0.1), "0.1");
  EXPECT_EQ(FixedNumberText(55.0, 2), "55.00");
  EXPECT_EQ(ui::MemoryCaption(0.55), "内存占用 55.00%");
}

}  // namespace
}  // namespace sheetwise::rules

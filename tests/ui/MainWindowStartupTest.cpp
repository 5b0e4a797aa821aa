#include "ui/MainWindowStartup.h"

#include <gtest/gtest.h>

namespace sheetwise::ui {
namespace {

TEST(MainWindowStartup, PanelFollowsTheScrollBarWithinItsRange) {
  Form1 form;
  Form1_Load(form);
  EXPECT_EQ(form.Combo2.items, (std::vector<std::string>{"正行", "整列"}));
  // Beyond the range the panel stops at its bottom.
  for (const auto& [value, top] : {std::pair{2160, -2160}, {700, -700}, {0, 0}, {5000, -2160}}) {
    form.VScroll1.value = value;
    VScroll1_Scroll(form);
    EXPECT_EQ(form.Frame1Top, top) << value;
  }
}

}  // namespace
}  // namespace sheetwise::ui

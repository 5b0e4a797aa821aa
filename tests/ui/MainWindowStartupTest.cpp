#include "ui/MainWindowStartup.h"

#include <gtest/gtest.h>

namespace sheetwise::ui {
namespace {

using Items = std::vector<std::string>;

TEST(MainWindowStartup, LoadedWindowHasItsStartState) {
  Form1 form;
  Form1_Load(form);
  EXPECT_EQ(form.Combo1.items, (Items{"正行"}));
  EXPECT_EQ(form.Combo1.text, "正行");
  EXPECT_EQ(form.Combo2.items, (Items{"正行", "整列"}));
  EXPECT_EQ(form.Combo2.text, "正行");
  EXPECT_EQ(form.Frame1Top, 0);
  EXPECT_EQ(form.VScroll1.maximum, 2160);
  EXPECT_EQ(form.VScroll1.largeChange, 2160);
  EXPECT_EQ(form.VScroll1.value, 0);
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_EQ(form.Timer1.interval, 1000);
  EXPECT_TRUE(form.Timer2.enabled);
  EXPECT_EQ(form.Timer2.interval, 1000);
  EXPECT_FALSE(form.Command2.enabled);
  EXPECT_TRUE(form.Text9.enabled);
  EXPECT_EQ(form.Text9.text, "Sheet1");
  // The hints are placeholders: the veto fields start empty.
  EXPECT_EQ(form.Text10.text, "");
  EXPECT_EQ(form.Text13.text, "");
  EXPECT_EQ(form.Check1.value, 0);
  EXPECT_EQ(form.Check2.value, 0);
  EXPECT_TRUE(form.List3.items.empty());
}

TEST(MainWindowStartup, PanelFollowsTheScrollBarWithinItsRange) {
  Form1 form;
  Form1_Load(form);
  form.VScroll1.value = form.VScroll1.maximum;
  VScroll1_Scroll(form);
  EXPECT_EQ(form.Frame1Top, -2160);
  form.VScroll1.value = 700;
  VScroll1_Scroll(form);
  EXPECT_EQ(form.Frame1Top, -700);
  form.VScroll1.value = 0;
  VScroll1_Scroll(form);
  EXPECT_EQ(form.Frame1Top, 0);
  form.VScroll1.value = 5000;  // beyond the range: the panel stops at its bottom
  VScroll1_Scroll(form);
  EXPECT_EQ(form.Frame1Top, -2160);
}

}  // namespace
}  // namespace sheetwise::ui

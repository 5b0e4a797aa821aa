#include "ui/MainWindowStartup.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "rules/RuleString.h"

namespace sheetwise::ui {
namespace {

void FillModeSelectors(Form1& form) {
  const std::string row(rules::WholeRowMode);
  const std::string column(rules::WholeColumnMode);
  form.Combo1.items = {row};
  form.Combo1.text = row;
  form.Combo2.items = {row, column};
  form.Combo2.text = row;
}

void SizePanelScrollBar(ScrollBar& bar) {
  const int hidden = std::abs(kFrame1Height - kPicture1Height);
  bar.minimum = 0;
  bar.maximum = hidden;
  bar.largeChange = hidden;
  bar.smallChange = 225;  // an arrow click or a wheel step moves the panel by 15 pixels
  bar.value = 0;
}

}  // namespace

void Form1_Load(Form1& form) {
  FillModeSelectors(form);
  form.Frame1Top = 0;
  SizePanelScrollBar(form.VScroll1);
}

void VScroll1_Scroll(Form1& form) {
  const ScrollBar& bar = form.VScroll1;
  form.Frame1Top = -std::clamp(bar.value, bar.minimum, std::max(bar.minimum, bar.maximum));
}

}  // namespace sheetwise::ui

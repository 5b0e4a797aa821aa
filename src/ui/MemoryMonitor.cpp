#include "ui/MemoryMonitor.h"

#include "rules/RuleString.h"

namespace sheetwise::ui {

double UsedMemoryRatio(const host::MemoryStatus& status) {
  if (status.totalBytes == 0 || status.availableBytes >= status.totalBytes) return 0.0;
  const std::uint64_t used = status.totalBytes - status.availableBytes;
  return static_cast<double>(used) / static_cast<double>(status.totalBytes);
}

std::string MemoryCaption(double ratio) {
  return "内存占用 " + rules::FixedNumberText(ratio * 100.0, 2) + "%";
}

void Timer2_Timer(Form1& form, host::MemoryFigures& figures) {
  const double ratio = UsedMemoryRatio(figures.read());
  form.Shape4.width = static_cast<float>(form.Shape3.width * ratio);
  form.Frame19.caption = MemoryCaption(ratio);
}

}  // namespace sheetwise::ui

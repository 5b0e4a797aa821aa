#pragma once
// The memory monitor: each tick of Timer2 shows how much physical memory is
// in use, as the filled part Shape4 of the bar Shape3 and in Frame19's caption.

#include <string>

#include "host/MemoryFigures.h"
#include "ui/Form1.h"

namespace sheetwise::ui {

// The share of memory in use, 0 to 1: (total - available) / total, in 64 bits.
// 0 when the total is 0; an available figure above the total counts as nothing used.
double UsedMemoryRatio(const host::MemoryStatus& status);

// "内存占用 " + the ratio as a percentage with two decimals, e.g. "内存占用 55.00%".
std::string MemoryCaption(double ratio);

// The tick of Timer2: reads the figures afresh and redraws the bar and the caption.
void Timer2_Timer(Form1& form, host::MemoryFigures& figures);

}  // namespace sheetwise::ui

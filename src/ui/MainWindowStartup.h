#pragma once
// The main window's start-up steps and the scrolling of the rule input panel
// Frame1 inside its viewport Picture1.

#include "ui/Form1.h"

namespace sheetwise::ui {

// Layout sizes, in twips, that the scrolling depends on.
inline constexpr int kFrame1Height = 6855;
inline constexpr int kPicture1Height = 4695;

// Horizontal scroll extent of the file queue List2 and the error log List4, in pixels.
inline constexpr int kListHorizontalExtentPixels = 2000;

// Placeholder hints of the veto fields: shown while a field is empty, never its content.
inline constexpr const char* kText10Hint = "数字";
inline constexpr const char* kText13Hint = "大写字母";

// The window's load: fills the two mode selectors (Combo1 "正行"; Combo2
// "正行" and "整列", both showing "正行"), puts Frame1 at the top of its
// viewport and sizes VScroll1 to the part of Frame1 that does not fit.
// The state before these steps is Form1's initial state.
void Form1_Load(Form1& form);

// VScroll1's scroll event: Frame1 moves up by the bar's value. The view calls
// it on every change of the value (drag, arrows, track or wheel).
void VScroll1_Scroll(Form1& form);

}  // namespace sheetwise::ui

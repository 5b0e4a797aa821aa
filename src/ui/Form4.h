#pragma once
// The about box: the first window shown at start-up. It names the product,
// warns the user, lists the functions and lets the user go on or quit.
// Plain model; the Qt view mirrors it and acts on the AboutChoice returned
// by the handlers.

#include <string>

#include "ui/Controls.h"

namespace sheetwise::ui {

inline constexpr const char* kAboutCaption = "Sheetwise V1.1";

// The notice shown in Text1. Every line ends with CR LF, the last one
// ("使用帮助/更新：") included; the contact lines that would follow it are
// left out.
std::string AboutNoticeText();

struct Form4 {
  std::string caption = kAboutCaption;
  Captioned Label1{"警告："};
  TextBox Text1{AboutNoticeText(), true, true};  // multi-line, read-only
  Captioned Command1{"准备好了"};
  Captioned Command2{"退出"};
  // Image1 shows the main window's icon; it has no state for logic.
};

enum class AboutChoice {
  ShowMainWindow,  // show the (already loaded, hidden) main window, close the about box
  EndProgram,      // end the program at once; no window's unload handling runs
};

// "准备好了"
AboutChoice Command1_Click(Form4& form);
// "退出"
AboutChoice Command2_Click(Form4& form);
// The title-bar close button: ends the program as "退出" does, so no hidden
// main window is left running without any visible window.
AboutChoice TitleBarClose(Form4& form);

}  // namespace sheetwise::ui

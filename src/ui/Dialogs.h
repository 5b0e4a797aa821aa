#pragma once
// The dialogs port: message and input boxes, the folder and file choosers and
// letting the window handle pending events. The Qt layer implements it; tests
// script it.

#include <string>
#include <vector>

namespace sheetwise::ui {

// The application's title, shown on plain message boxes and input boxes.
inline constexpr const char* kAppTitle = "Sheetwise";

enum class MessageStyle {
  Plain,        // OK button, no icon, the application's title
  Information,  // information icon, empty title
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal; returns when the user has acknowledged it.
  virtual void message(const std::string& text, MessageStyle style) = 0;
  // Modal question with the application's title, a button goOn and "取消",
  // "取消" being the default; true only when goOn was pressed.
  virtual bool confirm(const std::string& question, const std::string& goOn) = 0;

  // Modal question with the application's title and one button per choice,
  // the first the default, the last the one Escape or closing presses; the
  // index of the one pressed, -1 when none was.
  virtual int choose(const std::string& text, const std::vector<std::string>& choices) = 0;
  // Modal input box with the application's title and an empty default;
  // "" when cancelled.
  virtual std::string input(const std::string& prompt) = 0;
  // An existing folder, "" when cancelled.
  virtual std::string chooseFolder(const std::string& title) = 0;
  // An existing file matching the filter ("Execl 文档 (*.xls)"), "" when cancelled.
  virtual std::string chooseFile(const std::string& filter) = 0;
  // A file name to save under (it need not exist), "" when cancelled. A name
  // typed without an extension gets defaultSuffix ("txt") where the dialog can
  // add it before it asks whether to replace an existing file.
  virtual std::string chooseSaveFile(const std::string& filter, const std::string& defaultSuffix) = 0;
  virtual void processPendingEvents() = 0;
};

}  // namespace sheetwise::ui

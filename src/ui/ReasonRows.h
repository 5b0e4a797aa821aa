#pragma once
// What the window "错误原因" shows of one error-log entry: its kind, the file
// it names split into name and folder (without the entry's file markers), the
// reason and the differences the check of a save found.

#include <string>

#include "batch/RunLog.h"

namespace sheetwise::ui {

struct ReasonRow {
  std::string kind;         // "触发否决条件", "处理异常", ...
  std::string name;         // the file's name
  std::string folder;       // the folder holding it, ending with "/"
  std::string path;         // the whole path; "" when the entry names no file
  std::string reason;       // "" when there is none
  std::string differences;  // one per line
};

ReasonRow ReasonRowOf(const batch::LogEntry& entry);

}  // namespace sheetwise::ui

#pragma once
// What the window "错误原因" shows of one error-log entry: the log's own
// category, the kind of problem in plain words with what to do about it, the
// file it names split into name and folder (without the entry's file markers),
// the reason and the differences the check of a save found.

#include <string>

#include "batch/RunLog.h"

namespace sheetwise::ui {

struct ReasonRow {
  std::string kind;         // the log's category: "触发否决条件", "处理异常", ...
  std::string problem;      // in plain words: "规则失败", "副本有差异", ...
  std::string hint;         // what to do
  std::string name;         // the file's name
  std::string folder;       // the folder holding it, ending with "/"
  std::string path;         // the whole path; "" when the entry names no file
  std::string reason;       // "" when there is none
  std::string differences;  // one per line
};

ReasonRow ReasonRowOf(const batch::LogEntry& entry);

// How the error log's list shows an entry: the date and time it was written,
// the problem and the file's name, without the file markers; an entry that
// names no file shows its own text.
std::string ShownLogLine(const batch::LogEntry& entry, const std::string& when);

}  // namespace sheetwise::ui

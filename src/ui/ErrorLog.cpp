#include "ui/ErrorLog.h"

#include "batch/LogEntries.h"

namespace sheetwise::ui {

void ErrorLog::add(const batch::LogEntry& entry) {
  form_.List4.items.push_back(entry.text);
  entries_.push_back(entry);
  file_.append(entry.text);
}

std::string EntryDetails(const batch::LogEntry& entry) {
  std::string details = entry.reason.empty() ? "" : "原因：" + entry.reason;
  if (!entry.differences.empty()) {
    details += std::string(details.empty() ? "" : "\n") + "保存校验的差异：";
    for (const auto& difference : entry.differences) details += "\n" + difference;
  }
  return details;
}

void OpenLoggedFile(const Form1& form, host::FileOpener& opener) {
  const auto& list = form.List4;
  if (list.selection < 0 || static_cast<size_t>(list.selection) >= list.items.size()) return;
  const std::string path = batch::LoggedPath(list.items[static_cast<size_t>(list.selection)]);
  if (!path.empty()) opener.open(path);
}

}  // namespace sheetwise::ui

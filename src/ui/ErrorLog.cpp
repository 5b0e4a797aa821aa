#include "ui/ErrorLog.h"

#include <filesystem>
#include <optional>

#include "batch/LogEntries.h"
#include "host/FailureReason.h"

namespace sheetwise::ui {
namespace {

constexpr const char* kCannotOpen = "无法打开这个文件：";
constexpr const char* kNoOpener =
    "没有找到打开它的程序。请安装桌面的默认打开程序（xdg-utils 中的 xdg-open）和 LibreOffice Calc。";

// Why path cannot be handed to a program, checked without opening anything
// that could block (a pipe named like a workbook).
std::optional<std::string> NotOpenableReason(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    return path + " 不是普通文件";
  }
  return host::UnreadableReason(path);
}

}  // namespace

void ErrorLog::add(const batch::LogEntry& entry) {
  form_.List4.items.push_back(entry.text);
  entries_.push_back(entry);
  times_.push_back(file_.append(entry.text));
}

std::string EntryDetails(const batch::LogEntry& entry) {
  std::string details = entry.reason.empty() ? "" : "原因：" + entry.reason;
  if (!entry.differences.empty()) {
    details += std::string(details.empty() ? "" : "\n") + "保存校验的差异：";
    for (const auto& difference : entry.differences) details += "\n" + difference;
  }
  return details;
}

void OpenLoggedFile(const Form1& form, host::FileOpener& opener, Dialogs& dialogs) {
  const auto& list = form.List4;
  if (list.selection < 0 || static_cast<size_t>(list.selection) >= list.items.size()) return;
  const std::string path = batch::LoggedPath(list.items[static_cast<size_t>(list.selection)]);
  if (path.empty()) return;
  if (const auto reason = NotOpenableReason(path)) {
    dialogs.message(kCannotOpen + *reason, MessageStyle::Plain);
  } else if (!opener.open(path)) {
    dialogs.message(kCannotOpen + path + "\n" + kNoOpener, MessageStyle::Plain);
  }
}

}  // namespace sheetwise::ui

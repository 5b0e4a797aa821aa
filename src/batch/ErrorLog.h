#pragma once
// The error log: entries shown in the window's error list (List4) and appended
// to a log file, one line each with the date and time.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/Clock.h"
#include "host/FileOpener.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

inline constexpr std::string_view kLogFileName = "错误日志.log";
// An entry names its workbook between these markers when the file can be opened from the list.
inline constexpr std::string_view kFileStart = "<file/>";
inline constexpr std::string_view kFileEnd = "</file>";

std::string VetoEntry(const std::string& path);
bool IsVetoEntry(const std::string& entry);
std::string ProcessingErrorEntry(const std::string& path);
std::string RuleFailureEntry(const std::string& path);

class ErrorLog {
 public:
  // A relative logFile is resolved against the current directory when each entry is written.
  ErrorLog(ui::Form1& form, host::Clock& clock, std::filesystem::path logFile = std::filesystem::path(kLogFileName));

  // Adds the entry to List4 and appends "yyyy-MM-dd HH:mm:ssENTRY\r\n" to the log file.
  // A file that cannot be written is recorded for the notice; the entry stays in the list.
  void setlog(const std::string& entry);

  // Forgets the write failure of the previous run.
  void startRun();
  // The first write failure of this run (naming the log file and the reason), once.
  std::optional<std::string> takeWriteFailureNotice();

 private:
  void recordWriteFailure(const std::string& reason);

  ui::Form1& form_;
  host::Clock& clock_;
  std::filesystem::path logFile_;
  std::optional<std::string> failure_;
  bool noticeGiven_ = false;
};

// On a double click on List4: opens the file named in the selected entry, if any.
void OpenLoggedFile(const ui::Form1& form, host::FileOpener& opener);

}  // namespace sheetwise::batch

#pragma once
// The window's error log: every entry is shown in the error list (List4) and
// appended to the log file; the reason beside each entry is kept for the list.

#include <string>
#include <vector>

#include "batch/LogFile.h"
#include "batch/RunLog.h"
#include "host/FileOpener.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::ui {

class ErrorLog : public batch::RunLog {
 public:
  ErrorLog(Form1& form, batch::LogFile& file) : form_(form), file_(file) {}

  // Adds the entry to List4 and to the log file.
  void setlog(const std::string& entry) { add({entry, {}, {}, batch::EntryCause::Unknown}); }
  void add(const batch::LogEntry& entry) override;

  // Every entry so far, with its reason, in List4's order, and the date and
  // time each was written with.
  const std::vector<batch::LogEntry>& entries() const { return entries_; }
  const std::vector<std::string>& times() const { return times_; }

 private:
  Form1& form_;
  batch::LogFile& file_;
  std::vector<batch::LogEntry> entries_;
  std::vector<std::string> times_;
};

// What the window shows beside an entry (its tooltip): the reason and the
// differences the verification of the save found; "" when there is none.
std::string EntryDetails(const batch::LogEntry& entry);

// On a double click on List4: opens the file named in the selected entry, if
// any, or says in a message why it cannot be opened (the file is gone or
// unreadable, no program to open it is installed).
void OpenLoggedFile(const Form1& form, host::FileOpener& opener, Dialogs& dialogs);

}  // namespace sheetwise::ui

#pragma once
// Where the per-workbook engine and the extraction run report: one call per
// error-log entry, with the reason behind it beside the entry's own text.

#include <string>
#include <vector>

namespace sheetwise::batch {

// What happened to the workbook an entry names, as the window sorts entries.
enum class EntryCause {
  Unknown,           // an entry made without one
  Vetoed,            // left unedited by the veto condition
  InUse,             // open in another program, or in another run of this one
  CannotOpen,        // damaged, encrypted, empty or of a kind the office cannot read
  SheetMissing,      // no sheet of the name in 表名
  VetoUnreadable,    // the veto condition could not be checked
  RuleUnreadable,    // a rule of the list could not be read
  RuleFailed,        // the office refused a rule
  OutputIsSource,    // the copy would have landed on its own source
  InPlaceRefused,    // saving over the source refused: the check found differences or could not be made
  CopyRefused,       // a copy refused for the same reasons (strict checking)
  SaveFailed,        // writing the result failed
  CopyDiffers,       // the copy was written, with differences outside the rules' cells
  Unchecked,         // the copy was written, but could not be checked
  ExtractionFailed,  // extraction mode: the workbook could not be read
};

struct LogEntry {
  std::string text;                      // exactly as the error log shows it
  std::string reason;                    // why, in the user's terms; "" when none
  std::vector<std::string> differences;  // what the verification of a save found
  EntryCause cause = EntryCause::Unknown;
};

class RunLog {
 public:
  virtual ~RunLog() = default;
  virtual void add(const LogEntry& entry) = 0;
};

// Keeps the entries of one workbook, for a caller that writes them later.
class CollectedLog : public RunLog {
 public:
  void add(const LogEntry& entry) override { entries_.push_back(entry); }
  const std::vector<LogEntry>& entries() const { return entries_; }

 private:
  std::vector<LogEntry> entries_;
};

}  // namespace sheetwise::batch

#pragma once
// Where the per-workbook engine and the extraction run report: one call per
// error-log entry, with the reason behind it beside the entry's own text.

#include <string>
#include <vector>

namespace sheetwise::batch {

struct LogEntry {
  std::string text;                      // exactly as the error log shows it
  std::string reason;                    // why, in the user's terms; "" when none
  std::vector<std::string> differences;  // what the verification of a save found
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

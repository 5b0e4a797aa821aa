#pragma once
// The process-table port: which processes run under which executable name, and
// ending one. The batch ends the spreadsheet host's processes through it.

#include <sys/types.h>

#include <string>
#include <vector>

namespace sheetwise::host {

// The executable name of the spreadsheet host's processes.
inline constexpr const char* kSpreadsheetProcessName = "soffice.bin";

struct ProcessEntry {
  pid_t pid = 0;
  std::string executableName;  // file name only, without its folder
};

class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  virtual std::vector<ProcessEntry> snapshot() = 0;
  // Asks for the process to end, without waiting; false when that was refused.
  virtual bool terminate(pid_t pid) = 0;
};

// The machine's processes as /proc shows them; ending is SIGKILL.
class SystemProcessTable final : public ProcessTable {
 public:
  std::vector<ProcessEntry> snapshot() override;
  // Refuses pids below 1, which kill() would take as process groups.
  bool terminate(pid_t pid) override;
};

// Ends every process whose executable name ends with name, ASCII letter case
// ignored. Processes that refuse are passed over; the calling process and an
// empty name are never matched.
void KillProcessesByName(ProcessTable& table, const std::string& name);

// The same with the whole executable name matched, letter case ignored: the
// clean-up when the main window closes.
void EndProcessesNamedExactly(ProcessTable& table, const std::string& name);

}  // namespace sheetwise::host

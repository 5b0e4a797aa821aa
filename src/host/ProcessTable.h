#pragma once
// The process-table port: which processes run, in which process group and
// with which arguments, and ending one. The window ends the offices it started
// through it, and no other process.

#include <sys/types.h>

#include <string>
#include <vector>

namespace sheetwise::host {

// The executable name of the spreadsheet host's processes.
inline constexpr const char* kSpreadsheetProcessName = "soffice.bin";

struct ProcessEntry {
  pid_t pid = 0;
  std::string executableName;  // file name only, without its folder
  pid_t processGroup = 0;
  std::vector<std::string> arguments;  // the command line, the program's name first
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

// What tells an office this program started from every other: the process
// group it was started in and the profile folder it was given.
struct StartedOffice {
  pid_t processGroup = 0;
  std::string profileArgument;  // "-env:UserInstallation=file://..."
};

// Ends the office process of each started office: the soffice.bin in its
// process group that was given its profile. A user's own offices, other
// users' and other programs' are never matched, nor is the calling process.
void EndStartedOffices(ProcessTable& table, const std::vector<StartedOffice>& offices);

}  // namespace sheetwise::host

#pragma once
// Running processes as /proc shows them.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace sheetwise::host {

struct ProcessInfo {
  pid_t pid = 0;
  pid_t processGroup = 0;
  // File name of /proc/PID/exe, or of the first word of the command line where
  // exe cannot be read.
  std::string executableName;
  std::vector<std::string> arguments;
};

std::vector<ProcessInfo> ListProcesses();

// Resident memory of a process in bytes (VmRSS), 0 when it cannot be read.
long long ResidentBytes(pid_t pid);
// The most address space the process has taken so far, in bytes (VmPeak);
// 0 when it cannot be read.
long long PeakAddressSpaceBytes(pid_t pid);
// The most resident memory the process has had so far (VmHWM), likewise.
long long PeakResidentBytes(pid_t pid);
// The processor time all threads of the process have used so far (user and
// system); none when it cannot be read (the process is gone).
std::optional<std::chrono::milliseconds> ProcessorTime(pid_t pid);

}  // namespace sheetwise::host

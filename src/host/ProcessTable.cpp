#include "host/ProcessTable.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "host/ProcFs.h"

namespace sheetwise::host {

namespace {

bool IsOfficeOf(const ProcessEntry& process, const StartedOffice& office) {
  return office.processGroup > 0 && process.processGroup == office.processGroup &&
         process.executableName == kSpreadsheetProcessName && !office.profileArgument.empty() &&
         std::ranges::find(process.arguments, office.profileArgument) != process.arguments.end();
}

}  // namespace

std::vector<ProcessEntry> SystemProcessTable::snapshot() {
  std::vector<ProcessEntry> entries;
  for (ProcessInfo& info : ListProcesses()) {
    entries.push_back({info.pid, std::move(info.executableName), info.processGroup, std::move(info.arguments)});
  }
  return entries;
}

bool SystemProcessTable::terminate(pid_t pid) { return pid > 0 && ::kill(pid, SIGKILL) == 0; }

void EndStartedOffices(ProcessTable& table, const std::vector<StartedOffice>& offices) {
  if (offices.empty()) return;
  const pid_t self = ::getpid();
  for (const ProcessEntry& process : table.snapshot()) {
    if (process.pid <= 0 || process.pid == self) continue;
    const bool started = std::ranges::any_of(offices, [&](const StartedOffice& o) { return IsOfficeOf(process, o); });
    if (started) table.terminate(process.pid);
  }
}

}  // namespace sheetwise::host

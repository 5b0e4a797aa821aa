#include "host/ProcessTable.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string_view>

#include "host/ProcFs.h"

namespace sheetwise::host {

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && EqualIgnoringAsciiCase(text.substr(text.size() - tail.size()), tail);
}

// An empty name would otherwise match every process on the machine.
void EndMatching(ProcessTable& table, const std::string& name,
                 const std::function<bool(std::string_view, std::string_view)>& matches) {
  if (name.empty()) return;
  const pid_t self = ::getpid();
  for (const ProcessEntry& process : table.snapshot()) {
    if (process.pid <= 0 || process.pid == self) continue;
    if (matches(process.executableName, name)) table.terminate(process.pid);
  }
}

}  // namespace

std::vector<ProcessEntry> SystemProcessTable::snapshot() {
  std::vector<ProcessEntry> entries;
  for (ProcessInfo& info : ListProcesses()) entries.push_back({info.pid, std::move(info.executableName)});
  return entries;
}

bool SystemProcessTable::terminate(pid_t pid) { return pid > 0 && ::kill(pid, SIGKILL) == 0; }

void KillProcessesByName(ProcessTable& table, const std::string& name) {
  EndMatching(table, name, EndsWithIgnoringAsciiCase);
}

void EndProcessesNamedExactly(ProcessTable& table, const std::string& name) {
  EndMatching(table, name, EqualIgnoringAsciiCase);
}

}  // namespace sheetwise::host

#include "host/ProcFs.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

std::vector<std::string> ReadCmdline(const fs::path& dir) {
  std::ifstream in(dir / "cmdline", std::ios::binary);
  std::vector<std::string> args;
  std::string arg;
  while (std::getline(in, arg, '\0')) args.push_back(arg);
  return args;
}

// The fields of /proc/PID/stat after the parenthesised command name (the
// third field on); empty when the file cannot be read.
std::vector<std::string> StatFieldsAfterName(const fs::path& dir) {
  std::ifstream in(dir / "stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream rest(stat.substr(close + 1));
  std::vector<std::string> fields;
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

// The fifth field of /proc/PID/stat.
pid_t ReadProcessGroup(const fs::path& dir) {
  const auto fields = StatFieldsAfterName(dir);
  return fields.size() > 2 ? static_cast<pid_t>(std::atol(fields[2].c_str())) : 0;
}

std::string ExecutableName(const fs::path& dir, const std::vector<std::string>& args) {
  std::error_code ec;
  const fs::path exe = fs::read_symlink(dir / "exe", ec);
  if (!ec && !exe.empty()) {
    std::string name = exe.filename().string();
    // A replaced executable reads as "name (deleted)".
    const std::string deleted = " (deleted)";
    if (name.size() > deleted.size() && name.ends_with(deleted)) name.resize(name.size() - deleted.size());
    return name;
  }
  if (args.empty()) return {};
  const std::string first = args.front().substr(0, args.front().find(' '));
  return fs::path(first).filename().string();
}

}  // namespace

std::vector<ProcessInfo> ListProcesses() {
  std::vector<ProcessInfo> processes;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
    ProcessInfo info;
    info.pid = static_cast<pid_t>(std::stol(name));
    info.arguments = ReadCmdline(entry.path());
    info.processGroup = ReadProcessGroup(entry.path());
    info.executableName = ExecutableName(entry.path(), info.arguments);
    processes.push_back(std::move(info));
  }
  return processes;
}

namespace {

// A figure in kB of /proc/PID/status ("VmRSS:"), in bytes.
long long StatusBytes(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size())) * 1024;
  }
  return 0;
}

}  // namespace

long long ResidentBytes(pid_t pid) { return StatusBytes(pid, "VmRSS:"); }

long long PeakAddressSpaceBytes(pid_t pid) { return StatusBytes(pid, "VmPeak:"); }

long long PeakResidentBytes(pid_t pid) { return StatusBytes(pid, "VmHWM:"); }

std::optional<std::chrono::milliseconds> ProcessorTime(pid_t pid) {
  // utime and stime, the 14th and 15th fields, in clock ticks.
  if (pid <= 0) return std::nullopt;
  const auto fields = StatFieldsAfterName("/proc/" + std::to_string(pid));
  if (fields.size() < 13) return std::nullopt;
  const long long ticks = std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str());
  return std::chrono::milliseconds(ticks * 1000 / ::sysconf(_SC_CLK_TCK));
}

}  // namespace sheetwise::host

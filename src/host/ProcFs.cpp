#include "host/ProcFs.h"

#include <cctype>
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

// The fifth field of /proc/PID/stat, after the parenthesised command name.
pid_t ReadProcessGroup(const fs::path& dir) {
  std::ifstream in(dir / "stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(stat.substr(close + 1));
  std::string state;
  pid_t parent = 0;
  pid_t group = 0;
  rest >> state >> parent >> group;
  return group;
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

}  // namespace sheetwise::host

#include "host/ProcessTable.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "BatchRun.h"
#include "TestPaths.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using Pids = std::vector<pid_t>;

// The real table showing only the allowed processes and the entries in extra,
// and ending only the allowed ones; every attempt is recorded.
class OwnProcessesOnly final : public ProcessTable {
 public:
  std::set<pid_t> allowed;
  std::vector<ProcessEntry> extra;
  Pids attempts;

  std::vector<ProcessEntry> snapshot() override {
    std::vector<ProcessEntry> own = real_.snapshot();
    std::erase_if(own, [this](const ProcessEntry& p) { return !allowed.count(p.pid); });
    own.insert(own.begin(), extra.begin(), extra.end());
    return own;
  }
  bool terminate(pid_t pid) override {
    attempts.push_back(pid);
    return allowed.count(pid) && real_.terminate(pid);
  }

 private:
  SystemProcessTable real_;
};

// A copy of sleep running as folder/name for 30 s; killed and reaped when it goes.
struct SleepingProcess {
  SleepingProcess(const fs::path& folder, const std::string& name) {
    fs::copy_file("/bin/sleep", folder / name);
    pid = test::StartProgram(folder / name, {"30"}, false).pid;
    // Until the child has become the copy, the table shows it under this test's own name.
    const fs::path exe = "/proc/" + std::to_string(pid) + "/exe";
    std::error_code ec;
    for (int i = 0; i < 5000 && fs::read_symlink(exe, ec).filename() != name; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~SleepingProcess() {
    if (pid > 0 && !ended && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
  }
  SleepingProcess(const SleepingProcess&) = delete;
  // Waits for the process to end; whether SIGKILL ended it. Once reaped, the
  // pid may belong to another process: it is never signalled again.
  bool killed() {
    ended = pid > 0;
    return ended && test::WaitForExit(pid) == 128 + SIGKILL;
  }
  pid_t pid = -1;
  bool ended = false;
};

// During a run, the names that end with the name; on closing, the exact name;
// both in any letter case. A refusal (pid 1 here) stops nothing; the caller,
// pids below 1 and, for an empty name, every process are left alone.
TEST(SystemProcessTable, EndsProcessesByTheEndOfTheirNameOrByTheExactName) {
  OwnProcessesOnly own;
  own.extra = {{1, "soffice.bin"}, {::getpid(), "soffice.bin"}, {0, "soffice.bin"}, {-1, "soffice.bin"}};
  test::TempDir dir;
  std::map<std::string, SleepingProcess> processes;  // ended before dir goes
  for (const char* name : {"soffice.bin", "XSOFFICE.BIN", "office.bin", "soffice", "soffice.bin.1"}) {
    const pid_t pid = processes.try_emplace(name, dir.path(), name).first->second.pid;
    ASSERT_GT(pid, 0) << name;
    own.allowed.insert(pid);
  }
  KillProcessesByName(own, "");
  EndProcessesNamedExactly(own, "");
  EndProcessesNamedExactly(own, "SOFFICE.BIN");
  EXPECT_TRUE(processes.at("soffice.bin").killed());
  KillProcessesByName(own, kSpreadsheetProcessName);
  EXPECT_TRUE(processes.at("XSOFFICE.BIN").killed());
  EXPECT_EQ(own.attempts, (Pids{1, processes.at("soffice.bin").pid, 1, processes.at("XSOFFICE.BIN").pid}));
}

}  // namespace
}  // namespace sheetwise::host

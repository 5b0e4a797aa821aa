#include "host/ProcessTable.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "TestPaths.h"

extern char** environ;

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Pids = std::vector<pid_t>;

// The real table showing only the test's own processes and the entries in
// extra, and ending only the allowed ones, so that no other process on the
// machine is ever touched; every attempt is recorded.
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

// A copy of sleep running as folder/name; killed and reaped when it goes.
class SleepingProcess {
 public:
  SleepingProcess(const fs::path& folder, std::string name) {
    const fs::path program = folder / name;
    fs::copy_file("/bin/sleep", program);
    std::string seconds = "300";
    char* argv[] = {name.data(), seconds.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~SleepingProcess() {
    if (pid_ > 0 && !ended_ && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
  }
  SleepingProcess(const SleepingProcess&) = delete;
  SleepingProcess& operator=(const SleepingProcess&) = delete;
  pid_t pid() const { return pid_; }

  // Whether the process ended by SIGKILL within the time. Once reaped, the pid
  // may belong to another process: it is never signalled again.
  bool killedWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (pid_ > 0 && !ended_ && std::chrono::steady_clock::now() < deadline) {
      ended_ = ::waitpid(pid_, &status, WNOHANG) == pid_;
      if (!ended_) std::this_thread::sleep_for(5ms);
    }
    return ended_ && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
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
    const pid_t pid = processes.try_emplace(name, dir.path(), name).first->second.pid();
    ASSERT_GT(pid, 0) << name;
    own.allowed.insert(pid);
  }
  KillProcessesByName(own, "");
  EndProcessesNamedExactly(own, "");
  EndProcessesNamedExactly(own, "SOFFICE.BIN");
  EXPECT_TRUE(processes.at("soffice.bin").killedWithin(5s));
  KillProcessesByName(own, kSpreadsheetProcessName);
  EXPECT_TRUE(processes.at("XSOFFICE.BIN").killedWithin(5s));
  EXPECT_EQ(own.attempts, (Pids{1, processes.at("soffice.bin").pid(), 1, processes.at("XSOFFICE.BIN").pid()}));
}

// Run in a child that leads a session of its own: if pids below 1 reached
// kill(), the child would end itself and nothing else.
TEST(SystemProcessTable, RefusesPidsThatNameProcessGroups) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setsid() < 0) ::_exit(3);
    SystemProcessTable table;
    ::_exit(!table.terminate(0) && !table.terminate(-::getpid()) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with status " << status;
}

}  // namespace
}  // namespace sheetwise::host

#include "host/ProcessTable.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "TestPaths.h"

extern char** environ;

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Pids = std::vector<pid_t>;

// Processes from a script; the pids in refusing cannot be ended.
class ScriptedProcessTable final : public ProcessTable {
 public:
  std::vector<ProcessEntry> processes;
  std::set<pid_t> refusing;
  Pids attempts;

  std::vector<ProcessEntry> snapshot() override { return processes; }
  bool terminate(pid_t pid) override {
    attempts.push_back(pid);
    return !refusing.count(pid);
  }
};

TEST(KillProcessesByName, GoesOnPastRefusalsButNeverToTheCallerAGroupOrEveryProcess) {
  ScriptedProcessTable table;
  table.processes = {
      {10, "soffice.bin"}, {::getpid(), "soffice.bin"}, {0, "soffice.bin"}, {-1, "soffice.bin"}, {30, "soffice.bin"}};
  table.refusing = {10};
  KillProcessesByName(table, kSpreadsheetProcessName);
  KillProcessesByName(table, "");
  EndProcessesNamedExactly(table, "");
  EXPECT_EQ(table.attempts, (Pids{10, 30}));
}

// The real table with everything but the test's own processes hidden and
// protected, so that no other process on the machine is ever touched.
class OwnProcessesOnly final : public ProcessTable {
 public:
  explicit OwnProcessesOnly(ProcessTable& inner) : inner_(inner) {}
  std::set<pid_t> allowed;
  std::vector<ProcessEntry> snapshot() override {
    std::vector<ProcessEntry> own = inner_.snapshot();
    std::erase_if(own, [this](const ProcessEntry& p) { return !allowed.count(p.pid); });
    return own;
  }
  bool terminate(pid_t pid) override { return allowed.count(pid) && inner_.terminate(pid); }

 private:
  ProcessTable& inner_;
};

// A copy of sleep running as folder/name; killed and reaped when it goes.
class SleepingProcess {
 public:
  SleepingProcess(const fs::path& folder, std::string name) {
    const fs::path program = folder / name;
    fs::copy_file("/bin/sleep", program);
    fs::permissions(program, fs::perms::owner_all);
    std::string seconds = "300";
    char* argv[] = {name.data(), seconds.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~SleepingProcess() {
    if (pid_ > 0 && !ended_ && ::kill(pid_, SIGKILL) == 0) reaped(nullptr, 0);
  }
  SleepingProcess(const SleepingProcess&) = delete;
  SleepingProcess& operator=(const SleepingProcess&) = delete;
  pid_t pid() const { return pid_; }

  // Whether the process ended by SIGKILL within the time.
  bool killedWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (reaped(&status, WNOHANG)) return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }
  bool running() { return pid_ > 0 && !reaped(nullptr, WNOHANG); }

 private:
  // Once reaped, the pid may belong to another process: it is never signalled again.
  bool reaped(int* status, int options) {
    ended_ = ended_ || (pid_ > 0 && ::waitpid(pid_, status, options) == pid_);
    return ended_;
  }

  pid_t pid_ = -1;
  bool ended_ = false;
};

class RealProcessesTest : public ::testing::Test {
 protected:
  void start(std::initializer_list<const char*> names) {
    for (const char* name : names) {
      auto& process = processes_[name] = std::make_unique<SleepingProcess>(dir_.path(), name);
      ASSERT_GT(process->pid(), 0) << name;
      own.allowed.insert(process->pid());
    }
  }
  // Those named in ended were killed; the others still run.
  void expectEnded(const std::set<std::string>& ended) {
    for (const std::string& name : ended) EXPECT_TRUE(processes_.at(name)->killedWithin(5s)) << name;
    std::this_thread::sleep_for(100ms);  // time enough for a wrongly sent SIGKILL to land
    for (const auto& [name, process] : processes_) {
      if (!ended.count(name)) {
        EXPECT_TRUE(process->running()) << name;
      }
    }
  }

  SystemProcessTable real;
  OwnProcessesOnly own{real};

 private:
  test::TempDir dir_;
  std::map<std::string, std::unique_ptr<SleepingProcess>> processes_;  // ended before dir_ goes
};

// Names that end with the name, in any letter case.
TEST_F(RealProcessesTest, EndsTheProcessesWhoseNamesEndWithTheName) {
  start({"soffice.bin", "XSOFFICE.BIN", "office.bin", "soffice", "soffice.bin.1"});
  KillProcessesByName(own, kSpreadsheetProcessName);
  expectEnded({"soffice.bin", "XSOFFICE.BIN"});
}

TEST_F(RealProcessesTest, ClosingCleanUpEndsTheExactNameOnly) {
  start({"soffice.bin", "xsoffice.bin"});
  EndProcessesNamedExactly(own, "SOFFICE.BIN");
  expectEnded({"soffice.bin"});
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
  ASSERT_TRUE(WIFEXITED(status)) << "the child was killed";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace sheetwise::host

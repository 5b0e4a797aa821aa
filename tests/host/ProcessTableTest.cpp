#include "host/ProcessTable.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "BatchRun.h"
#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using Pids = std::vector<pid_t>;

constexpr const char* kOurProfile = "-env:UserInstallation=file:///home/u/.cache/sheetwise/office-profiles/slot-0";

// Only the office process in the started group on its profile is ended: not a user's, nor this one.
TEST(EndStartedOffices, EndsTheOfficeInItsGroupOnItsProfileAndNothingElse) {
  test::ScriptedProcessTable table;
  table.processes = {
      {101, "soffice.bin", 100, {"/usr/lib/libreoffice/program/soffice.bin", kOurProfile, "--headless"}},
      {100, "oosplash", 100, {"oosplash", kOurProfile, "--headless"}},
      {201, "soffice.bin", 200, {"soffice.bin", "-env:UserInstallation=file:///home/u/.config/libreoffice"}},
      {301, "soffice.bin", 300, {"soffice.bin", kOurProfile}},
      {102, "SOFFICE.BIN", 100, {"SOFFICE.BIN", kOurProfile}},
      {103, "soffice.bin", 100, {"soffice.bin"}},
      {::getpid(), "soffice.bin", 100, {"soffice.bin", kOurProfile}},
  };
  EndStartedOffices(table, {});
  EndStartedOffices(table, {{100, ""}, {0, kOurProfile}});
  EXPECT_EQ(table.ended, Pids{});
  EndStartedOffices(table, {{100, kOurProfile}});
  EXPECT_EQ(table.ended, Pids{101});
}

// The real table limited to the allowed processes, so a fault here never ends anyone else's office.
class AllowedProcessesOnly final : public ProcessTable {
 public:
  std::set<pid_t> allowed;
  std::vector<ProcessEntry> snapshot() override {
    std::vector<ProcessEntry> shown = real_.snapshot();
    std::erase_if(shown, [this](const ProcessEntry& p) { return !allowed.count(p.pid); });
    return shown;
  }
  bool terminate(pid_t pid) override { return allowed.count(pid) && real_.terminate(pid); }

 private:
  SystemProcessTable real_;
};

// Someone else's office as the table shows it: a shell copied to folder/soffice.bin waiting 30 s.
struct ForeignOffice {
  ForeignOffice(const fs::path& folder, const std::vector<std::string>& arguments) {
    fs::copy_file("/bin/sh", folder / "soffice.bin");
    std::vector<std::string> args = {"-c", "sleep 30; :", "soffice.bin"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    pid = test::StartProgram(folder / "soffice.bin", args, false).pid;
    // Until the child has become the copy, the table shows it under this test's own name.
    const fs::path exe = "/proc/" + std::to_string(pid) + "/exe";
    std::error_code ec;
    for (int i = 0; i < 5000 && fs::read_symlink(exe, ec).filename() != "soffice.bin"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~ForeignOffice() {
    if (::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
  }
  ForeignOffice(const ForeignOffice&) = delete;
  bool running() const { return ::waitpid(pid, nullptr, WNOHANG) == 0; }
  pid_t pid = -1;
};

// The host's running office is ended; a user's, even one claiming its profile, lives on.
TEST(EndStartedOffices, EndsTheHostsRunningOfficeAndNoForeignOne) {
  test::TempDir dir;
  fs::create_directories(dir / "user/claims");
  LibreOfficeHost office;
  office.start();
  const auto started = office.startedOffice();
  ASSERT_TRUE(started);
  const pid_t officePid = office.officePid();
  ASSERT_GT(officePid, 0);
  ForeignOffice users(dir / "user", {"-env:UserInstallation=file:///home/u/.config/libreoffice"});
  ForeignOffice claiming(dir / "user/claims", {started->profileArgument});

  AllowedProcessesOnly table;
  table.allowed = {officePid, users.pid, claiming.pid};
  EndStartedOffices(table, {*started});
  for (int i = 0; i < 500 && office.startedOffice(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(office.startedOffice());
  EXPECT_TRUE(users.running());
  EXPECT_TRUE(claiming.running());
}

}  // namespace
}  // namespace sheetwise::host

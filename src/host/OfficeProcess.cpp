#include "host/OfficeProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/ProcFs.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

fs::path DefaultCacheRoot() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg) return fs::path(xdg) / "sheetwise";
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".cache" / "sheetwise";
  return fs::temp_directory_path() / "sheetwise-cache";
}

ProfileSlot::ProfileSlot(const fs::path& cacheRoot) {
  const fs::path root = cacheRoot / "office-profiles";
  std::error_code ec;
  fs::create_directories(root, ec);
  if (ec) {
    throw HostError(Tr("the office's working folder cannot be made (%s)",
                       {ReasonForError(ec.value(), FileAction::CreateFolder, root.string())}));
  }
  for (int slot = 0; slot < 256; ++slot) {
    const fs::path lockPath = root / ("slot-" + std::to_string(slot) + ".lock");
    FileDescriptor fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) {
      throw HostError(Tr("the office's working folder cannot be used (%s)",
                         {ReasonForError(errno, FileAction::WriteFolder, root.string())}));
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
      directory_ = root / ("slot-" + std::to_string(slot));
      lock_ = std::move(fd);
      return;
    }
  }
  throw HostError(Tr("more than 256 offices are running from the working folder %s", {root.string()}));
}

std::string ProfileSlot::url() const { return "file://" + directory_.string(); }

void EndStrayOffices(const ProfileSlot& profile) {
  const std::string marker = "-env:UserInstallation=" + profile.url();
  for (const auto& process : ListProcesses()) {
    for (const auto& arg : process.arguments) {
      if (arg == marker && process.pid != ::getpid()) ::kill(process.pid, SIGKILL);
    }
  }
}

OfficeProcess::OfficeProcess(const fs::path& officeProgramDir, const ProfileSlot& profile,
                             const std::string& pipeName)
    : pipeName_(pipeName) {
  // A profile lock left by a killed office would make the next start hesitate.
  std::error_code ec;
  fs::remove(profile.directory() / "user" / ".lock", ec);

  const std::string program = (officeProgramDir / "soffice").string();
  if (::access(program.c_str(), X_OK) != 0) {
    throw HostError(Tr("LibreOffice is not installed: %s is missing (Debian package libreoffice-calc-nogui)", {program}));
  }
  std::vector<std::string> args = {
      program,
      "-env:UserInstallation=" + profile.url(),
      "--headless",
      "--invisible",
      "--norestore",
      "--nologo",
      "--nodefault",
      "--nolockcheck",
      "--nofirststartwizard",
      "--accept=pipe,name=" + pipeName + ";urp;",
  };
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw HostError(Tr("no new process can be started (%s)", {std::strerror(errno)}));
  if (pid == 0) {
    ::setpgid(0, 0);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    ::setenv("SAL_USE_VCLPLUGIN", "svp", 1);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);  // also from here, so the group exists before we return
  launcher_ = pid;
}

OfficeProcess::~OfficeProcess() {
  kill();
  if (!reaped_) ::waitpid(launcher_, nullptr, 0);
  // An office that was killed leaves its pipe's socket file behind.
  std::error_code ec;
  fs::remove(fs::path("/tmp") / ("OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipeName_), ec);
}

bool OfficeProcess::alive() {
  if (reaped_) return false;
  int status = 0;
  if (::waitpid(launcher_, &status, WNOHANG) == launcher_) {
    reaped_ = true;
    ::kill(-launcher_, SIGKILL);  // whatever the launcher left behind
    return false;
  }
  return true;
}

void OfficeProcess::kill() noexcept {
  if (launcher_ > 0) ::kill(-launcher_, SIGKILL);
}

pid_t OfficeProcess::officePid() const {
  for (const auto& process : ListProcesses()) {
    if (process.processGroup == launcher_ && process.executableName == "soffice.bin") return process.pid;
  }
  return 0;
}

}  // namespace sheetwise::host

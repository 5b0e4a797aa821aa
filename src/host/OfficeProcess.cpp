#include "host/OfficeProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pwd.h>
#include <sys/stat.h>

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/ProcFs.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

bool IsAbsoluteFolder(const char* path) {
  std::error_code ec;
  return path && *path == '/' && fs::is_directory(path, ec);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); IsAbsoluteFolder(home)) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && IsAbsoluteFolder(entry->pw_dir)) return entry->pw_dir;
  return "";
}

// Makes folder with mode 0700 if it is missing; true when it is then private.
bool MakePrivateFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateFolder(folder);
}

// A folder of this user's own under the temporary folder: the fixed name when
// it is private, otherwise a fresh one (its profiles are then not kept).
fs::path PrivateTempRoot() {
  const fs::path temp = fs::temp_directory_path();
  const fs::path fixed = temp / ("sheetwise-" + std::to_string(::getuid()));
  if (MakePrivateFolder(fixed)) return fixed;
  std::string pattern = (temp / ("sheetwise-" + std::to_string(::getuid()) + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) {
    throw SetupError(Tr("the office's working folder cannot be made (%s)",
                       {ReasonForError(errno, FileAction::WriteFolder, temp.string())}));
  }
  return pattern;
}

// Takes a slot's lock file without following a link planted in its place.
FileDescriptor OpenSlotLock(const fs::path& lockPath) {
  return FileDescriptor(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

void EmptyFolder(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) fs::remove_all(it->path(), ec);
}

}  // namespace

bool IsPrivateFolder(const fs::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

fs::path DefaultCacheRoot() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return fs::path(xdg) / "sheetwise";
  if (const std::string home = HomeFolder(); !home.empty()) return fs::path(home) / ".cache" / "sheetwise";
  return PrivateTempRoot() / "cache";
}

namespace {

// The folder of the kept profiles under cacheRoot, made private; where that
// cannot be (a folder of someone else's, or writable by others), one under a
// private folder of the temporary folder instead.
fs::path PrivateProfilesRoot(const fs::path& cacheRoot) {
  std::error_code ec;
  fs::create_directories(cacheRoot.parent_path(), ec);
  if (MakePrivateFolder(cacheRoot) && MakePrivateFolder(cacheRoot / "office-profiles")) {
    return cacheRoot / "office-profiles";
  }
  const fs::path fallback = PrivateTempRoot() / "office-profiles";
  if (!MakePrivateFolder(fallback)) {
    throw SetupError(Tr("the office's working folder cannot be made (%s)",
                       {ReasonForError(errno, FileAction::CreateFolder, fallback.string())}));
  }
  return fallback;
}

}  // namespace

ProfileSlot::ProfileSlot(const fs::path& cacheRoot) {
  const fs::path root = PrivateProfilesRoot(cacheRoot);
  for (int slot = 0; slot < 256; ++slot) {
    const fs::path directory = root / ("slot-" + std::to_string(slot));
    FileDescriptor fd = OpenSlotLock(root / ("slot-" + std::to_string(slot) + ".lock"));
    // A folder that cannot be written (a read-only disk) has no slot to take.
    if (!fd && errno != ELOOP) {
      throw SetupError(Tr("the office's working folder cannot be made (%s)",
                          {ReasonForError(errno, FileAction::WriteFolder, root.string())}));
    }
    if (!fd || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (!MakePrivateFolder(directory)) continue;
    directory_ = directory;
    lock_ = std::move(fd);
    if (!MakePrivateFolder(tempDirectory())) continue;
    EmptyFolder(tempDirectory());
    return;
  }
  throw HostError(Tr("more than 256 offices are running from the working folder %s", {root.string()}));
}

fs::path ProfileSlot::tempDirectory() const { return directory_.string() + "-tmp"; }

std::string ProfileSlot::url() const { return "file://" + directory_.string(); }

namespace {

// Where the office's pipe named name has its socket file (the office's
// runtime puts it in /tmp while /tmp can be written).
fs::path PipeSocket(const std::string& name) {
  return fs::path("/tmp") / ("OSL_PIPE_" + std::to_string(::getuid()) + "_" + name);
}

// The socket of the pipe each office makes to stay the only one on its
// profile: named after the MD5 of the profile's URL in UTF-16, each byte in
// hexadecimal without leading zeros. A killed office leaves it behind.
fs::path SingleInstanceSocket(const ProfileSlot& profile) {
  const std::string url = profile.url();
  glong units = 0;
  g_autofree gunichar2* utf16 = g_utf8_to_utf16(url.c_str(), static_cast<glong>(url.size()), nullptr, &units, nullptr);
  g_autoptr(GChecksum) md5 = g_checksum_new(G_CHECKSUM_MD5);
  if (utf16) g_checksum_update(md5, reinterpret_cast<const guchar*>(utf16), units * static_cast<glong>(sizeof *utf16));
  guint8 digest[16];
  gsize length = sizeof digest;
  g_checksum_get_digest(md5, digest, &length);
  std::string hex;
  for (gsize i = 0; i < length; ++i) {
    char byte[3];
    std::snprintf(byte, sizeof byte, "%x", digest[i]);
    hex += byte;
  }
  return PipeSocket("SingleOfficeIPC_" + hex);
}

}  // namespace

void RemoveStrayPipeSockets() {
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_" + kPipeNamePrefix;
  std::error_code ec;
  for (fs::directory_iterator it("/tmp", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix)) continue;
    const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
    if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

void EndStrayOffices(const ProfileSlot& profile) {
  const std::string marker = profile.officeArgument();
  for (const auto& process : ListProcesses()) {
    for (const auto& arg : process.arguments) {
      if (arg == marker && process.pid != ::getpid()) ::kill(process.pid, SIGKILL);
    }
  }
}

namespace {

// Whether the locale this program was given reads text as UTF-8. The office
// turns each workbook's URL into a file name in its locale's character set,
// so under the C locale (a cron job, `env -i`) no name outside ASCII could be
// opened or written.
bool LocaleIsUtf8() {
  const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", nullptr);
  if (!locale) return false;
  const bool utf8 = std::string_view(::nl_langinfo_l(CODESET, locale)) == "UTF-8";
  ::freelocale(locale);
  return utf8;
}

// The environment of the office: this program's, with the headless drawing
// back end and the slot's own temporary folder, in a UTF-8 locale where the
// program's is none. A home folder that does not exist is replaced by that
// folder too, so that the office and its libraries never make a missing home
// (as root they could).
std::vector<std::string> OfficeEnvironment(const ProfileSlot& profile) {
  const bool homeUsable = IsAbsoluteFolder(std::getenv("HOME"));
  const bool utf8 = LocaleIsUtf8();
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view text(*entry);
    // The office finds its own bootstrap file; this program's points at the
    // installation its bridge was started from.
    if (text.starts_with("SAL_USE_VCLPLUGIN=") || text.starts_with("TMPDIR=") || text.starts_with("URE_BOOTSTRAP=")) {
      continue;
    }
    if (!homeUsable && text.starts_with("HOME=")) continue;
    if (!utf8 && text.starts_with("LC_ALL=")) continue;
    environment.emplace_back(text);
  }
  if (!utf8) environment.push_back("LC_ALL=C.UTF-8");
  environment.push_back("SAL_USE_VCLPLUGIN=svp");
  environment.push_back("TMPDIR=" + profile.tempDirectory().string());
  if (!homeUsable) environment.push_back("HOME=" + profile.tempDirectory().string());
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void ResetSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Run by the shell that leads the office's process group: a reader in the
// background waits on the lifeline, then the shell becomes the office itself.
// The lifeline's last write end is this program's, so the reader sees its end
// whenever this program ends, however it ends, and ends the whole group.
constexpr const char* kWatchScript = "(read _ <&3; kill -9 0) & exec 3<&-; exec \"$0\" \"$@\"";

// In the forked child: only async-signal-safe calls until exec. The memory
// limit holds for the office and everything it starts: an allocation past it
// fails inside the office instead of taking the machine's memory.
[[noreturn]] void ExecInOwnGroup(int lifeline, char* const* argv, char* const* envp, std::uint64_t memoryLimit) {
  ::setpgid(0, 0);
  ResetSignals();
  if (memoryLimit > 0) {
    const rlimit limit{memoryLimit, memoryLimit};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  if (lifeline == 3) {
    ::fcntl(3, F_SETFD, 0);
  } else {
    ::dup2(lifeline, 3);
  }
  ::close_range(4, ~0U, 0);  // other offices' lifelines, locks held by this program
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, STDIN_FILENO);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) ::close(null);
  }
  ::execve("/bin/sh", argv, envp);
  ::_exit(127);
}

// The office's runtime makes its pipes' sockets in /tmp, or /var/tmp where
// /tmp cannot be written; without either the office ends as it starts.
void RequireSocketFolder() {
  if (::access("/tmp", W_OK) == 0) return;
  const int error = errno;
  if (::access("/var/tmp", W_OK) == 0) return;
  throw SetupError(Tr("the office makes its connection in /tmp (or /var/tmp), and neither can be written (%s)",
                      {ReasonForError(error, FileAction::WriteFolder, "/tmp")}));
}

}  // namespace

void RequireInstalledOffice(const fs::path& programDir) {
  const std::string program = (programDir / "soffice").string();
  if (::access(program.c_str(), X_OK) != 0) {
    throw SetupError(Tr("LibreOffice is not installed: %s is missing (Debian package libreoffice-calc-nogui)", {program}));
  }
}

OfficeProcess::OfficeProcess(const fs::path& officeProgramDir, const ProfileSlot& profile,
                             const std::string& pipeName, std::uint64_t memoryLimitBytes)
    : pipeName_(pipeName), instanceSocket_(SingleInstanceSocket(profile)) {
  // A profile lock left by a killed office would make the next start hesitate.
  std::error_code ec;
  fs::remove(profile.directory() / "user" / ".lock", ec);
  EmptyFolder(profile.tempDirectory());

  RequireInstalledOffice(officeProgramDir);
  RequireSocketFolder();
  const std::string program = (officeProgramDir / "soffice").string();
  std::vector<std::string> args = {
      "sh",
      "-c",
      kWatchScript,
      program,
      profile.officeArgument(),
      "--headless",
      "--invisible",
      "--norestore",
      "--nologo",
      "--nodefault",
      "--nolockcheck",
      "--nofirststartwizard",
      "--accept=pipe,name=" + pipeName + ";urp;",
  };
  std::vector<std::string> environment = OfficeEnvironment(profile);
  const std::vector<char*> argv = Pointers(args);
  const std::vector<char*> envp = Pointers(environment);

  int lifeline[2];
  if (::pipe2(lifeline, O_CLOEXEC) != 0) throw HostError(Tr("no new process can be started (%s)", {std::strerror(errno)}));
  FileDescriptor keeperEnd(lifeline[0]);
  lifeline_ = FileDescriptor(lifeline[1]);
  const pid_t pid = ::fork();
  if (pid < 0) throw HostError(Tr("no new process can be started (%s)", {std::strerror(errno)}));
  if (pid == 0) ExecInOwnGroup(lifeline[0], argv.data(), envp.data(), memoryLimitBytes);
  ::setpgid(pid, pid);  // also from here, so the group exists before we return
  launcher_ = pid;
}

OfficeProcess::~OfficeProcess() {
  kill();
  if (!reaped_) ::waitpid(launcher_, nullptr, 0);
  // An office that was killed leaves its pipes' socket files behind.
  std::error_code ec;
  fs::remove(PipeSocket(pipeName_), ec);
  fs::remove(instanceSocket_, ec);
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

#include "host/InPlaceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

std::optional<std::string> LockFileBeside(const fs::path& workbook) {
  const std::string name = workbook.filename().string();
  for (const std::string& lockName : {".~lock." + name + "#", "~$" + name}) {
    const fs::path lock = workbook.parent_path() / lockName;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(lock, ec))) return lock.string();
  }
  return std::nullopt;
}

bool SameFile(int fd, const std::string& path) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

}  // namespace

std::optional<std::string> ForeignLockFile(const std::string& path) {
  if (auto beside = LockFileBeside(fs::absolute(path))) return beside;
  std::error_code ec;
  const fs::path target = fs::canonical(path, ec);
  if (!ec) return LockFileBeside(target);
  return std::nullopt;
}

SourceLock::SourceLock(const std::string& path, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (true) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) throw HostError(UnreadableReason(path).value_or(Tr("cannot read %s", {path})));
    // A run that held the lock may have replaced the file meanwhile: the lock
    // counts only on the file the path names now.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && SameFile(fd.get(), path)) {
      fd_ = std::move(fd);
      return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw HostError(Tr("the workbook is being processed by another run of this program"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace sheetwise::host

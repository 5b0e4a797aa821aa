#include "host/SafeStore.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <string>
#include <system_error>

#include "host/FileDescriptor.h"
#include "host/HostError.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

std::string ErrnoText() { return std::generic_category().message(errno); }

FileDescriptor OpenFolder(const fs::path& folder) {
  return FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Removes the hidden folder and whatever the writer left in it. The folder is
// locked while it exists, which tells later runs that its writer is alive.
class ScratchFolder {
 public:
  explicit ScratchFolder(const fs::path& parent) {
    for (int attempt = 0; attempt < 3 && !lock_; ++attempt) make(parent);
    if (!lock_) throw HostError("cannot write into the folder " + parent.string());
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  void make(const fs::path& parent) {
    std::string pattern = (parent / (std::string(kStoreFolderPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
      throw HostError("cannot write into the folder " + parent.string() + ": " + ErrnoText());
    }
    path_ = pattern;
    FileDescriptor lock = OpenFolder(path_);
    struct stat info {};
    // Another run may have taken it for abandoned before the lock was held.
    if (lock && ::flock(lock.get(), LOCK_EX) == 0 && ::fstat(lock.get(), &info) == 0 && info.st_nlink > 0) {
      lock_ = std::move(lock);
    }
  }

  fs::path path_;
  FileDescriptor lock_;
};

// Each folder is swept once per process: a killed run leaves at most one
// hidden folder per workbook it was saving.
bool FirstVisit(const fs::path& folder) {
  static std::mutex mutex;
  static std::set<fs::path> visited;
  std::lock_guard lock(mutex);
  return visited.insert(folder).second;
}

// The owner, group and mode of the file being replaced, on the new file.
void KeepOwnership(const fs::path& written, const struct stat& old, bool required) {
  const bool owned = ::chown(written.c_str(), old.st_uid, old.st_gid) == 0;
  if (!owned && required) {
    throw HostError("the workbook's owner and group could not be kept (" + ErrnoText() + "); nothing was written");
  }
  ::chmod(written.c_str(), old.st_mode & 07777);
}

void Store(const fs::path& absolute, const std::function<void(const fs::path&)>& write,
           const std::function<void(const fs::path&)>& beforeReplace) {
  const fs::path folder = absolute.parent_path();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw HostError("the folder does not exist: " + folder.string());
  if (fs::is_directory(absolute, ec)) throw HostError("a folder stands at the path: " + absolute.string());
  if (FirstVisit(folder)) RemoveAbandonedSaveFolders(folder);

  ScratchFolder scratch(folder);
  const fs::path temp = scratch.path() / absolute.filename();
  write(temp);
  if (!fs::is_regular_file(temp, ec)) throw HostError("nothing was written for " + absolute.string());
  beforeReplace(temp);
  fs::rename(temp, absolute, ec);
  if (ec) throw HostError("cannot replace " + absolute.string() + ": " + ec.message());
}

// Refuses a workbook that saving in place must not replace.
// Whether the permission bits let this user write the file; for root, whom
// they do not stop, whether any write bit is set at all.
bool WritableByItsBits(const fs::path& target, const struct stat& info) {
  if (::geteuid() == 0) return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::access(target.c_str(), W_OK) == 0;
}

void CheckReplaceable(const fs::path& target, const struct stat& info) {
  if (!WritableByItsBits(target, info)) {
    throw HostError("the workbook is read-only (no write permission); nothing was written");
  }
  if (info.st_nlink > 1) {
    throw HostError("the workbook has " + std::to_string(info.st_nlink) +
                    " hard links, which replacing it would part from the new content; nothing was written");
  }
  if (::access(target.parent_path().c_str(), W_OK) != 0) {
    throw HostError("the workbook's folder cannot be written; nothing was written");
  }
}

void CheckUnchangedSinceLoad(const fs::path& target, const std::optional<FileIdentity>& loaded) {
  if (!loaded || IdentityOf(target) != loaded) {
    throw HostError("the workbook changed on disk after it was loaded (another program wrote it); nothing was written");
  }
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

void RemoveAbandonedSaveFolders(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->path().filename().string().starts_with(kStoreFolderPrefix)) continue;
    const FileDescriptor lock = OpenFolder(it->path());
    if (lock && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

void StoreReplacing(const fs::path& target, const std::function<void(const fs::path&)>& write) {
  const fs::path absolute = fs::absolute(target);
  Store(absolute, write, [&](const fs::path& written) {
    struct stat old {};
    if (::stat(absolute.c_str(), &old) == 0) KeepOwnership(written, old, false);
  });
}

void StoreInPlace(const fs::path& source, const std::optional<FileIdentity>& loaded,
                  const std::function<void(const fs::path&)>& write) {
  std::error_code ec;
  const fs::path target = fs::canonical(source, ec);
  struct stat info {};
  if (ec || ::stat(target.c_str(), &info) != 0) throw HostError("the workbook is gone: " + source.string());
  CheckReplaceable(target, info);
  CheckUnchangedSinceLoad(target, loaded);
  Store(target, write, [&](const fs::path& written) {
    CheckUnchangedSinceLoad(target, loaded);
    KeepOwnership(written, info, true);
  });
}

}  // namespace sheetwise::host

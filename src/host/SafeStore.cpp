#include "host/SafeStore.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

#include "host/ExtendedAttributes.h"
#include "host/FailureReason.h"
#include "host/FileDescriptor.h"
#include "host/HostError.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

// A failed write is put down to a full disk when this much more cannot be written.
constexpr std::uintmax_t kRoomForAWorkbook = 64 * 1024;

// A file error as the save's failure: a full disk is a failure that another try may not meet.
[[noreturn]] void ThrowFileError(int error, FileAction action, const std::string& path) {
  const std::string reason = ReasonForError(error, action, path);
  if (error == ENOSPC || error == EDQUOT) throw TemporaryFailure(reason);
  throw HostError(reason);
}

FileDescriptor OpenFolder(const fs::path& folder) {
  return FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// What the marker file of a hidden saving folder holds.
constexpr std::string_view kMarkerContent = "sheetwise saving folder: removed when its writer has gone\n";

bool WriteMarker(int folder) {
  const FileDescriptor marker(
      ::openat(folder, kStoreFolderMarker, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  return marker && ::write(marker.get(), kMarkerContent.data(), kMarkerContent.size()) ==
                       static_cast<ssize_t>(kMarkerContent.size());
}

// The bytes of the folder's marker file, up to one more than a whole marker;
// nullopt when it has none.
std::optional<std::string> MarkerBytes(int folder) {
  const FileDescriptor marker(::openat(folder, kStoreFolderMarker, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!marker) return std::nullopt;
  char bytes[kMarkerContent.size() + 1];
  const ssize_t count = ::read(marker.get(), bytes, sizeof bytes);
  return std::string(bytes, count > 0 ? static_cast<size_t>(count) : 0);
}

bool HasMarker(int folder) { return MarkerBytes(folder) == std::string(kMarkerContent); }

// A marker cut short: its writer was killed between making it and writing it.
bool HasUnfinishedMarker(int folder) {
  const auto bytes = MarkerBytes(folder);
  return bytes && bytes->size() < kMarkerContent.size() && kMarkerContent.starts_with(*bytes);
}

// Removes the hidden folder and whatever the writer left in it. The folder is
// locked while it exists, which tells later runs that its writer is alive, and
// holds a marker file, which tells them that this program made it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const fs::path& parent) {
    for (int attempt = 0; attempt < 3 && !lock_; ++attempt) make(parent);
    if (!lock_) throw HostError(Tr("cannot write into the folder %s: other saves keep taking its place", {parent.string()}));
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
    if (!::mkdtemp(pattern.data())) ThrowFileError(errno, FileAction::WriteFolder, parent.string());
    path_ = pattern;
    FileDescriptor lock = OpenFolder(path_);
    struct stat info {};
    // Another run may have taken it for abandoned before the lock was held.
    if (lock && ::flock(lock.get(), LOCK_EX) == 0 && ::fstat(lock.get(), &info) == 0 && info.st_nlink > 0) {
      if (!WriteMarker(lock.get())) {
        const int error = errno;
        std::error_code ec;
        fs::remove_all(path_, ec);
        ThrowFileError(error, FileAction::WriteFolder, parent.string());
      }
      lock_ = std::move(lock);
    }
  }

  fs::path path_;
  FileDescriptor lock_;
};

// Whether the folder holds nothing but its marker: what a save that went
// through leaves in it.
bool HoldsOnlyMarker(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename() != kStoreFolderMarker) return false;
  }
  return !ec;
}

// The hidden folder of this thread's last save, kept while a SaveFolderReuse
// lives on the thread.
struct KeptFolder {
  int keepers = 0;
  fs::path parent;
  std::unique_ptr<ScratchFolder> folder;
};
thread_local KeptFolder t_kept;

std::unique_ptr<ScratchFolder> TakeScratchFolder(const fs::path& parent) {
  if (t_kept.folder && t_kept.parent == parent) return std::move(t_kept.folder);
  t_kept.folder.reset();  // another folder's: not needed again soon
  return std::make_unique<ScratchFolder>(parent);
}

// After a save that went through: kept for the next one, or removed.
void GiveBackScratchFolder(std::unique_ptr<ScratchFolder> folder, const fs::path& parent) {
  if (t_kept.keepers > 0 && HoldsOnlyMarker(folder->path())) {
    t_kept.parent = parent;
    t_kept.folder = std::move(folder);
  }
}

// Each folder is swept once per process: a killed run leaves at most one
// hidden folder per workbook it was saving.
bool FirstVisit(const fs::path& folder) {
  static std::mutex mutex;
  static std::set<fs::path> visited;
  std::lock_guard lock(mutex);
  return visited.insert(folder).second;
}

// How much of the replaced file's ownership the new file must keep.
enum class Keep { AsFarAsAllowed, Everything, AllButOwner };

// The owner and group of the replaced file on the new one. Where only the
// owner cannot be kept (a shared volume whose files belong to another user,
// group-writable), the new file keeps the group alone when keep allows it;
// otherwise the refusal names the option that allows it.
void KeepOwnerAndGroup(const fs::path& written, const struct stat& oldInfo, Keep keep) {
  if (::chown(written.c_str(), oldInfo.st_uid, oldInfo.st_gid) == 0) return;
  const std::string reason = ReasonForError(errno, FileAction::ReplaceFile, written.string());
  const bool groupKept = ::chown(written.c_str(), static_cast<uid_t>(-1), oldInfo.st_gid) == 0;
  if (keep == Keep::AsFarAsAllowed || (keep == Keep::AllButOwner && groupKept)) return;
  if (groupKept) {
    throw HostError(Tr("the workbook's owner could not be kept (%s); nothing was written "
                       "(--keep-owner=no writes it as this user's, keeping its group, mode, attributes and ACLs)",
                       {reason}));
  }
  throw HostError(Tr("the workbook's owner and group could not be kept (%s); nothing was written", {reason}));
}

// The extended attributes, owner, group and mode of the file being replaced,
// on the new file: the attributes first, while the new file is still this
// user's to change.
void KeepOwnership(const fs::path& written, const fs::path& old, const struct stat& oldInfo, Keep keep) {
  try {
    CopyExtendedAttributes(old, written);
  } catch (const HostError& e) {
    if (keep != Keep::AsFarAsAllowed) {
      throw HostError(Tr("the workbook's extended attributes could not be kept (%s); nothing was written", {e.what()}));
    }
  }
  KeepOwnerAndGroup(written, oldInfo, keep);
  ::chmod(written.c_str(), oldInfo.st_mode & 07777);
}

// What keeps target from being written, found before anything is written.
void CheckTarget(const fs::path& target) {
  const fs::path folder = target.parent_path();
  if (const auto reason = NameTooLongReason(target)) throw HostError(*reason);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    throw HostError(ReasonForError(ec ? ec.value() : ENOENT, FileAction::OpenFolder, folder.string()));
  }
  if (fs::is_directory(target, ec)) throw HostError(ReasonForError(EISDIR, FileAction::ReplaceFile, target.string()));
  if (const auto reason = InUseReason(target)) throw HostError(*reason);
}

// The writer's own failure (the office's, or a copy's), or the full disk that caused it.
void Write(const fs::path& temp, const fs::path& folder, const std::function<void(const fs::path&)>& write) {
  try {
    write(temp);
  } catch (const std::exception&) {
    if (const auto full = DiskFullReason(folder, temp.parent_path(), kRoomForAWorkbook)) throw TemporaryFailure(*full);
    throw;
  }
  std::error_code ec;
  if (!fs::is_regular_file(temp, ec)) {
    if (const auto full = DiskFullReason(folder, temp.parent_path(), kRoomForAWorkbook)) throw TemporaryFailure(*full);
    throw HostError(Tr("the office wrote nothing for %s", {temp.string()}));
  }
}

void Store(const fs::path& absolute, const std::function<void(const fs::path&)>& write,
           const std::function<void(const fs::path&)>& beforeReplace, const std::string& extension) {
  const fs::path folder = absolute.parent_path();
  CheckTarget(absolute);
  if (FirstVisit(folder)) RemoveAbandonedSaveFolders(folder);

  std::unique_ptr<ScratchFolder> scratch = TakeScratchFolder(folder);
  // A short name inside the hidden folder: the office adds its own lock and
  // temporary files beside what it writes, with longer names than the target's.
  const fs::path temp = scratch->path() / ("workbook" + extension);
  Write(temp, folder, write);
  beforeReplace(temp);
  std::error_code ec;
  fs::rename(temp, absolute, ec);
  if (ec) ThrowFileError(ec.value(), FileAction::ReplaceFile, absolute.string());
  GiveBackScratchFolder(std::move(scratch), folder);
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
    throw HostError(Tr("the workbook is read-only (no write permission); nothing was written"));
  }
  if (info.st_nlink > 1) {
    throw HostError(Tr("the workbook has %s hard links, which replacing it would part from the new content; "
                       "nothing was written",
                       {std::to_string(info.st_nlink)}));
  }
  if (::access(target.parent_path().c_str(), W_OK) != 0) {
    throw HostError(Tr("no permission to write into the folder %s; nothing was written",
                       {target.parent_path().string()}));
  }
}

void CheckUnchangedSinceLoad(const fs::path& target, const std::optional<FileIdentity>& loaded) {
  if (!loaded || IdentityOf(target) != loaded) {
    throw HostError(
        Tr("the workbook changed on disk after it was loaded (another program wrote it); nothing was written"));
  }
}

}  // namespace

SaveFolderReuse::SaveFolderReuse() { ++t_kept.keepers; }

SaveFolderReuse::~SaveFolderReuse() {
  if (--t_kept.keepers == 0) t_kept.folder.reset();
}

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
    // A user's folder of the same name has no marker; a writer at work holds the lock.
    if (lock && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      if (HasMarker(lock.get())) {
        fs::remove_all(it->path(), ignored);
      } else {
        // Made by a writer killed before its marker was whole: empty, or with
        // the marker cut short (one about to lock it makes another, see
        // ScratchFolder). A folder holding anything else stays.
        if (HasUnfinishedMarker(lock.get())) ::unlinkat(lock.get(), kStoreFolderMarker, 0);
        ::rmdir(it->path().c_str());
      }
    }
  }
}

void StoreReplacing(const fs::path& target, const std::function<void(const fs::path&)>& write,
                    const std::function<void(const fs::path&)>& check, const std::string& extension) {
  const fs::path absolute = fs::absolute(target);
  Store(absolute, write, [&](const fs::path& written) {
    if (check) check(written);
    struct stat old {};
    if (::stat(absolute.c_str(), &old) == 0) KeepOwnership(written, absolute, old, Keep::AsFarAsAllowed);
  }, extension);
}

void StoreInPlace(const fs::path& source, const std::optional<FileIdentity>& loaded,
                  const std::function<void(const fs::path&)>& write, const std::function<void(const fs::path&)>& check,
                  const std::string& extension, OwnerRule owner) {
  std::error_code ec;
  const fs::path target = fs::canonical(source, ec);
  struct stat info {};
  if (ec || ::stat(target.c_str(), &info) != 0) throw HostError(Tr("the workbook is gone: %s", {source.string()}));
  CheckReplaceable(target, info);
  CheckUnchangedSinceLoad(target, loaded);
  Store(target, write, [&](const fs::path& written) {
    if (check) check(written);
    // Last, as close to the rename as it gets.
    CheckUnchangedSinceLoad(target, loaded);
    KeepOwnership(written, target, info, owner == OwnerRule::Keep ? Keep::Everything : Keep::AllButOwner);
  }, extension);
}

}  // namespace sheetwise::host

#include "host/FailureReason.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "host/FileDescriptor.h"
#include "host/InPlaceGuard.h"
#include "host/Translate.h"
#include "rules/Utf8Text.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

std::string PermissionReason(FileAction action, const std::string& path) {
  switch (action) {
    case FileAction::ReadFile:
      return Tr("no permission to read %s", {path});
    case FileAction::WriteFile:
      return Tr("no permission to write %s", {path});
    case FileAction::OpenFolder:
      return Tr("no permission to open the folder %s", {path});
    case FileAction::WriteFolder:
      return Tr("no permission to write into the folder %s", {path});
    case FileAction::ReplaceFile:
      return Tr("no permission to replace %s", {path});
    case FileAction::CreateFolder:
      return Tr("no permission to create the folder %s", {path});
  }
  return {};
}

bool IsFolderAction(FileAction action) {
  return action == FileAction::OpenFolder || action == FileAction::WriteFolder || action == FileAction::CreateFolder;
}

}  // namespace

std::string ReasonForError(int error, FileAction action, const std::string& path) {
  switch (error) {
    case EACCES:
    case EPERM:
      return PermissionReason(action, path);
    case ENOSPC:
    case EDQUOT:
      return Tr("the disk is full: no room to write %s", {path});
    case ENAMETOOLONG:
      return Tr("the name is too long for the file system: %s", {path});
    case EROFS:
      return Tr("the disk holding %s can only be read", {path});
    case ENOENT:
      if (action == FileAction::CreateFolder)
        return Tr("the folder %s cannot be made: a folder above it is missing", {path});
      return IsFolderAction(action) ? Tr("the folder %s does not exist", {path}) : Tr("%s does not exist", {path});
    case ENOTDIR:
      return Tr("a part of %s is a file, not a folder", {path});
    case EISDIR:
      return Tr("%s is a folder, not a file", {path});
    case ELOOP:
      return Tr("%s is a link that leads back to itself", {path});
    case EBUSY:
    case ETXTBSY:
      return Tr("%s is in use", {path});
    case EIO:
      return Tr("the disk reported a read or write error at %s", {path});
    default:
      return Tr("%s: %s", {path, std::strerror(error)});
  }
}

std::optional<std::string> UnreadableReason(const std::string& path) {
  // Each folder on the way must be searchable, and the file itself readable.
  const fs::path absolute = fs::absolute(path);
  fs::path walked = absolute.root_path();
  for (const auto& part : absolute.relative_path().parent_path()) {
    walked /= part;
    if (::access(walked.c_str(), X_OK) != 0) {
      return ReasonForError(errno, FileAction::OpenFolder, walked.string());
    }
  }
  struct stat info {};
  if (::stat(absolute.c_str(), &info) != 0) {
    if (::lstat(absolute.c_str(), &info) == 0) return Tr("%s is a link to something that does not exist", {path});
    return ReasonForError(errno, FileAction::ReadFile, path);
  }
  if (S_ISDIR(info.st_mode)) return ReasonForError(EISDIR, FileAction::ReadFile, path);
  if (auto reason = NotAFileReason(path, info.st_mode)) return reason;
  // Not blocking: the file may have become a pipe since it was looked at.
  FileDescriptor probe(::open(absolute.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!probe) return ReasonForError(errno ? errno : EACCES, FileAction::ReadFile, path);
  return std::nullopt;
}

std::optional<std::string> NotAFileReason(const std::string& path, unsigned mode) {
  if (S_ISREG(mode)) return std::nullopt;
  if (S_ISFIFO(mode)) return Tr("%s is a named pipe (FIFO), not a workbook file", {path});
  if (S_ISSOCK(mode)) return Tr("%s is a socket, not a workbook file", {path});
  if (S_ISCHR(mode) || S_ISBLK(mode)) return Tr("%s is a device, not a workbook file", {path});
  if (S_ISDIR(mode)) return ReasonForError(EISDIR, FileAction::ReadFile, path);
  return Tr("%s is not a regular file", {path});
}

std::string PathTooLongReason(const std::string& path) {
  constexpr size_t kShownEnd = 120;
  size_t cut = path.size() > kShownEnd ? path.size() - kShownEnd : 0;
  while (cut > 0 && cut < path.size() && (static_cast<unsigned char>(path[cut]) & 0xC0) == 0x80) ++cut;
  const std::string shown = cut > 0 ? "…" + path.substr(cut) : path;
  return Tr("the path is too long for the system (%s bytes, at most %s): %s",
            {std::to_string(path.size()), std::to_string(PATH_MAX - 1), shown});
}

namespace {

// The user named in an office lock file: "Name,login,host,date,url;".
std::string LockOwner(const fs::path& lock) {
  std::ifstream in(lock, std::ios::binary);
  std::string first;
  std::getline(in, first, ',');
  std::string login;
  std::getline(in, login, ',');
  return !first.empty() ? first : login;
}

}  // namespace

std::optional<std::string> InUseReason(const fs::path& target) {
  const auto lock = ForeignLockFile(target.string());
  if (!lock) return std::nullopt;
  const bool officeLock = fs::path(*lock).filename().string().starts_with(".~lock.");
  const std::string owner = officeLock ? LockOwner(*lock) : "";
  return owner.empty() ? Tr("%s is open in another program; close it there first", {target.string()})
                       : Tr("%s is open in another program (by %s); close it there first", {target.string(), owner});
}

std::optional<std::string> DiskFullReason(const fs::path& folder, const fs::path& probeFolder, std::uintmax_t needed) {
  // The free space the system reports, then a real write of that much: quotas
  // and reserved blocks show only when writing.
  struct statvfs disk {};
  if (::statvfs(probeFolder.c_str(), &disk) == 0 &&
      static_cast<std::uintmax_t>(disk.f_bavail) * disk.f_frsize < needed) {
    return Tr("the disk is full: no room to write in %s", {folder.string()});
  }
  std::string probe = (probeFolder / ".sheetwise-space-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0)
    return errno == ENOSPC || errno == EDQUOT
               ? std::optional(Tr("the disk is full: no room to write in %s", {folder.string()}))
               : std::nullopt;
  const std::string block(static_cast<size_t>(std::min<std::uintmax_t>(needed, 1 << 20)), '\0');
  int error = 0;
  if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()) || ::fsync(fd) != 0) error = errno;
  ::close(fd);
  ::unlink(probe.c_str());
  if (error == ENOSPC || error == EDQUOT) return Tr("the disk is full: no room to write in %s", {folder.string()});
  return std::nullopt;
}

std::optional<std::string> NameTooLongReason(const fs::path& target) {
  const long limit = ::pathconf(target.parent_path().c_str(), _PC_NAME_MAX);
  const std::string name = target.filename().string();
  if (limit > 0 && name.size() > static_cast<size_t>(limit)) {
    return Tr("the name is too long for the file system (%s bytes, at most %s): %s",
              {std::to_string(name.size()), std::to_string(limit), name});
  }
  return std::nullopt;
}

std::optional<std::string> NotUtf8Reason(const std::string& path) {
  if (rules::IsValidUtf8(path)) return std::nullopt;
  return Tr("the file name is not UTF-8 text, which the office cannot open; rename the file: %s", {path});
}

}  // namespace sheetwise::host

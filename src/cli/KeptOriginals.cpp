#include "cli/KeptOriginals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "cli/Resume.h"
#include "host/FailureReason.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

constexpr const char* kMarkerText = "sheetwise run folder: the originals an in-place run replaced\n";

bool SameInode(const fs::path& a, const fs::path& b) {
  struct stat first {}, second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  if (SameInode(a, b)) return true;
  const std::string digest = Sha256Of(a);
  return !digest.empty() && digest == Sha256Of(b);
}

// Errors after which a copy can do what a hard link could not.
bool LinkImpossible(int error) {
  return error == EXDEV || error == EPERM || error == EMLINK || error == ENOTSUP || error == EOPNOTSUPP ||
         error == ENOSYS;
}

// A copy of source at kept, with source's mode and times; it appears whole or not at all.
void CopyKeeping(const fs::path& source, const fs::path& kept) {
  const fs::path temp = kept.parent_path() / ("." + kept.filename().string() + ".keeping");
  std::error_code ec;
  fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
  struct stat info {};
  if (!ec && ::stat(source.c_str(), &info) == 0) {
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ::utimensat(AT_FDCWD, temp.c_str(), times, 0);
  }
  if (!ec) fs::rename(temp, kept, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw std::runtime_error(host::ReasonForError(ec.value(), host::FileAction::WriteFolder, kept.parent_path()));
  }
}

}  // namespace

fs::path RunFolderFor(const fs::path& report, const std::string& backupFolder) {
  const fs::path absolute = fs::absolute(report).lexically_normal();
  const std::string name = absolute.stem().string() + ".originals";
  return backupFolder.empty() ? absolute.parent_path() / name : fs::absolute(backupFolder).lexically_normal() / name;
}

std::optional<std::string> RunFolderProblem(const fs::path& folder, bool resuming) {
  std::error_code ec;
  if (!fs::exists(folder, ec)) return std::nullopt;
  if (!fs::is_directory(folder, ec)) {
    return Tr("the originals of this run would be kept in %s, which is a file", {folder.string()});
  }
  if (fs::exists(folder / kRunFolderMarker, ec)) {
    if (resuming) return std::nullopt;
    return Tr("%s holds the originals of an earlier run: put them back with --undo or remove them with --forget "
              "(giving that run's report), or name another --report",
              {folder.string()});
  }
  if (fs::is_empty(folder, ec)) return std::nullopt;
  return Tr("the originals of this run would be kept in %s, which holds other files: name another --report or --backup",
            {folder.string()});
}

std::optional<fs::path> RunFolderHolding(const fs::path& path) {
  std::error_code ec;
  for (fs::path folder = fs::absolute(path).lexically_normal().parent_path(); !folder.empty();
       folder = folder.parent_path()) {
    if (fs::is_regular_file(folder / kRunFolderMarker, ec)) return folder;
    if (folder == folder.root_path()) break;
  }
  return std::nullopt;
}

bool RemoveRunFolderIfEmpty(const fs::path& folder) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec) && it->path() != folder / kRunFolderMarker) return false;
  }
  if (ec) return false;
  fs::remove_all(folder, ec);
  return !ec;
}

KeptOriginals::KeptOriginals(fs::path runFolder, std::string sourceFolder, KeepBy by)
    : folder_(std::move(runFolder)), sourceFolder_(std::move(sourceFolder)), by_(by) {}

void KeptOriginals::open() const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) throw std::runtime_error(host::ReasonForError(ec.value(), host::FileAction::CreateFolder, folder_));
  if (fs::exists(folder_ / kRunFolderMarker, ec)) return;
  std::ofstream marker(folder_ / kRunFolderMarker, std::ios::binary);
  if (!(marker << kMarkerText) || !marker.flush()) {
    throw std::runtime_error(host::ReasonForError(errno ? errno : EIO, host::FileAction::WriteFolder, folder_));
  }
}

fs::path KeptOriginals::pathOf(const std::string& source, int replacement) const {
  const std::string relative = source.starts_with(sourceFolder_) ? source.substr(sourceFolder_.size())
                                                                 : fs::path(source).relative_path().string();
  return replacement == 1 ? folder_ / relative : folder_ / (".replaced-" + std::to_string(replacement)) / relative;
}

std::string KeptOriginals::keep(const std::string& source) {
  std::error_code ec;
  const fs::path real = fs::canonical(source, ec);
  if (ec) throw std::runtime_error(host::ReasonForError(ec.value(), host::FileAction::ReadFile, source));
  Kept kept;
  for (int replacement = 1; kept.path.empty(); ++replacement) {
    const fs::path path = pathOf(source, replacement);
    if (fs::exists(path, ec)) {
      if (SameBytes(real, path)) kept.path = path.string();
      continue;
    }
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
      throw std::runtime_error(host::ReasonForError(ec.value(), host::FileAction::CreateFolder, path.parent_path()));
    }
    const bool linked = by_ == KeepBy::LinkOrCopy && ::link(real.c_str(), path.c_str()) == 0;
    if (!linked) {
      const int error = by_ == KeepBy::Copy ? EXDEV : errno;
      if (!LinkImpossible(error)) {
        throw std::runtime_error(host::ReasonForError(error, host::FileAction::WriteFolder, path.parent_path()));
      }
      CopyKeeping(real, path);
    }
    kept = {path.string(), true, linked};
  }
  std::lock_guard lock(mutex_);
  kept_[source] = kept;
  return kept.path;
}

std::string KeptOriginals::keptOf(const std::string& source) const {
  std::lock_guard lock(mutex_);
  const auto found = kept_.find(source);
  return found == kept_.end() ? "" : found->second.path;
}

bool KeptOriginals::replaced(const std::string& source) const {
  Kept kept;
  {
    std::lock_guard lock(mutex_);
    const auto found = kept_.find(source);
    if (found == kept_.end()) return false;
    kept = found->second;
  }
  return kept.linked ? !SameInode(source, kept.path) : !SameBytes(source, kept.path);
}

void KeptOriginals::forgetUnreplaced(const std::string& source) {
  Kept kept;
  {
    std::lock_guard lock(mutex_);
    if (const auto found = kept_.find(source); found != kept_.end()) kept = found->second;
    kept_.erase(source);
  }
  std::error_code ec;
  if (kept.made && SameBytes(source, kept.path)) fs::remove(kept.path, ec);
  for (int replacement = 1; fs::exists(pathOf(source, replacement), ec); ++replacement) {
    if (SameInode(source, pathOf(source, replacement))) fs::remove(pathOf(source, replacement), ec);
  }
}

void KeptOriginals::settle(const std::string& source) {
  std::lock_guard lock(mutex_);
  settled_ += kept_.erase(source);
}

void KeptOriginals::closeIfEmpty() const { RemoveRunFolderIfEmpty(folder_); }

size_t KeptOriginals::count() const {
  std::lock_guard lock(mutex_);
  return kept_.size() + settled_;
}

}  // namespace sheetwise::batch

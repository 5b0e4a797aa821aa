#include "batch/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "host/FailureReason.h"
#include "host/KernelFileSystem.h"
#include "host/ShownText.h"
#include "host/Translate.h"
#include "rules/TextReplace.h"

namespace sheetwise::batch {
namespace {

std::string CollapseSeparators(const std::string& path) { return rules::ReplaceAll(path, "//", "/"); }

bool IsHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

bool FitsTheSystem(const std::string& path) { return path.size() < PATH_MAX; }

std::string WithoutTrailingSeparator(const std::string& folder) {
  return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

SkippedEntry Skipped(const std::string& path, const std::string& why) { return {path, Tr("skipped: %s", {why})}; }

struct CloseDirectory {
  void operator()(DIR* directory) const { ::closedir(directory); }
};
using Directory = std::unique_ptr<DIR, CloseDirectory>;

// The folder opened for listing; never blocks, whatever it turned into.
Directory OpenFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  Directory directory(::fdopendir(fd));
  if (!directory) ::close(fd);
  return directory;
}

// The names of the folder's entries, hidden ones left out, in name order;
// whatever could be read before a failure.
std::vector<std::pair<std::string, unsigned char>> SortedNames(DIR* directory) {
  std::vector<std::pair<std::string, unsigned char>> names;
  while (const dirent* entry = ::readdir(directory)) {
    std::string name = entry->d_name;
    if (!IsHidden(name)) names.emplace_back(std::move(name), entry->d_type);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Lister {
 public:
  Lister(const std::string& folder, int folderFd, const WorkbookKinds& kinds)
      : folder_(folder), fd_(folderFd), kinds_(kinds) {}

  void add(const std::string& name, unsigned char type) {
    struct stat info {};
    if (::fstatat(fd_, name.c_str(), &info, 0) != 0) return unseen(name, type, errno);
    if (S_ISDIR(info.st_mode)) return subfolder(name, info);
    if (!kinds_.takes(name)) return;
    const std::string path = CollapseSeparators(folder_ + "/" + name);
    const std::string shown = host::ShownText(path);
    if (const auto reason = host::NotAFileReason(shown, info.st_mode)) {
      listing_.skipped.push_back(Skipped(path, *reason));
    } else if (!FitsTheSystem(path)) {
      listing_.skipped.push_back(Skipped(path, host::PathTooLongReason(shown)));
    } else {
      listing_.workbooks.push_back(path);
    }
  }
  FolderListing take() { return std::move(listing_); }

 private:
  // An entry whose target cannot be looked at: a link to nothing or to
  // itself, or a workbook or folder this user may not see.
  void unseen(const std::string& name, unsigned char type, int error) {
    struct stat entry {};
    if (type == DT_UNKNOWN && ::fstatat(fd_, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
      type = S_ISLNK(entry.st_mode) ? DT_LNK : S_ISDIR(entry.st_mode) ? DT_DIR : DT_REG;
    }
    const std::string path = CollapseSeparators(folder_ + "/" + name);
    const std::string shown = host::ShownText(path);
    if (type == DT_LNK && error == ELOOP) {
      listing_.skipped.push_back({path, Tr("skipped: %s is a link that leads back to itself", {shown})});
    } else if (type == DT_LNK && error == ENOENT) {
      listing_.skipped.push_back({path, Tr("skipped: %s is a link to something that does not exist", {shown})});
    } else if (type == DT_DIR) {
      listing_.skipped.push_back(Skipped(path, host::ReasonForError(error, host::FileAction::OpenFolder, shown)));
    } else if (kinds_.takes(name)) {
      listing_.skipped.push_back(Skipped(path, host::ReasonForError(error, host::FileAction::ReadFile, shown)));
    }
  }

  void subfolder(const std::string& name, const struct stat& info) {
    const std::string path = CollapseSeparators(folder_ + name + "/");
    const std::string bare = WithoutTrailingSeparator(path);
    const std::string shown = host::ShownText(bare);
    if (!FitsTheSystem(path)) {
      listing_.skipped.push_back(Skipped(bare, host::PathTooLongReason(shown)));
      return;
    }
    if (const auto place = host::KernelFileSystemOf(path)) {
      listing_.skipped.push_back(
          {bare, Tr("skipped: %s leads into the kernel's own files (%s), which hold no workbooks",
                    {shown, host::ShownText(*place)})});
      return;
    }
    struct stat entry {};
    const bool link = ::fstatat(fd_, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode);
    listing_.subfolders.push_back({path, {info.st_dev, info.st_ino}, link});
  }

  const std::string& folder_;
  int fd_;
  const WorkbookKinds& kinds_;
  FolderListing listing_;
};

}  // namespace

FolderListing ListFolder(const std::string& folder, const WorkbookKinds& kinds) {
  const Directory directory = OpenFolder(folder);
  if (!directory) {
    const std::string shown = host::ShownText(WithoutTrailingSeparator(folder));
    return {{}, {}, {Skipped(WithoutTrailingSeparator(folder),
                             host::ReasonForError(errno, host::FileAction::OpenFolder, shown))}};
  }
  Lister lister(folder, ::dirfd(directory.get()), kinds);
  for (const auto& [name, type] : SortedNames(directory.get())) lister.add(name, type);
  return lister.take();
}

}  // namespace sheetwise::batch

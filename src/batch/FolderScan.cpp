#include "batch/FolderScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

#include "batch/RunPlan.h"
#include "host/FailureReason.h"
#include "host/Translate.h"
#include "rules/TextReplace.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

std::string CollapseSeparators(const std::string& path) { return rules::ReplaceAll(path, "//", "/"); }

bool IsHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

bool HasWorkbookExtension(const std::string& name) {
  constexpr std::string_view kExtension = ".xls";
  if (name.size() <= kExtension.size()) return false;
  const std::string_view tail = std::string_view(name).substr(name.size() - kExtension.size());
  return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char c, char e) {
    return (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == e;
  });
}

// Sorted names of the entries of folder that pass keep; whatever could be read
// before a failure.
template <typename Keep>
std::vector<std::string> ListNames(const std::string& folder, Keep keep) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!IsHidden(name) && keep(*it, name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct FolderId {
  dev_t device;
  ino_t inode;
  bool operator==(const FolderId&) const = default;
};

std::optional<FolderId> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FolderId{info.st_dev, info.st_ino};
}

// Whether folder (ending in "/") is the same folder as one of the folders its
// path passes through; walking it would never end.
bool LeadsBackToItsOwnPath(const std::string& folder) {
  const std::optional<FolderId> self = IdentityOf(folder);
  if (!self) return true;
  for (size_t slash = folder.rfind('/', folder.size() - 2); slash != std::string::npos;
       slash = slash == 0 ? std::string::npos : folder.rfind('/', slash - 1)) {
    if (IdentityOf(folder.substr(0, slash + 1)) == self) return true;
  }
  return false;
}


}  // namespace

FolderTree ScanFolderTree(const std::string& sourceFolder, const std::string& leftOut) {
  FolderTree tree{{sourceFolder}, {}};
  // The list grows while it is walked: the count is read afresh for every
  // step, so the folders appended are walked in their turn.
  for (size_t i = 0; i < tree.folders.size(); ++i) {
    const std::string folder = tree.folders[i];  // a copy: appending may move the entries
    ListSubfolders(tree.folders, folder);
  }
  for (const std::string& folder : tree.folders) {
    for (const std::string& name : ListWorkbooks(folder)) {
      tree.workbooks.push_back(CollapseSeparators(folder + "/" + name));
    }
  }
  LeaveOutFolder(tree, leftOut);
  return tree;
}

void LeaveOutFolder(FolderTree& tree, const std::string& leftOut) {
  if (leftOut.empty() || tree.folders.empty() || LiesWithin(tree.folders.front(), leftOut)) return;
  EraseWithin(tree.folders, leftOut);
  EraseWithin(tree.workbooks, leftOut);
}

void ListSubfolders(std::vector<std::string>& folders, const std::string& folder) {
  const auto isFolder = [](const fs::directory_entry& entry, const std::string&) {
    std::error_code ec;
    return entry.is_directory(ec);
  };
  for (const std::string& name : ListNames(folder, isFolder)) {
    std::string subfolder = CollapseSeparators(folder + name + "/");
    if (!LeadsBackToItsOwnPath(subfolder)) folders.push_back(std::move(subfolder));
  }
}

std::vector<std::string> ListWorkbooks(const std::string& folder) {
  return ListNames(folder, [](const fs::directory_entry& entry, const std::string& name) {
    std::error_code ec;
    return HasWorkbookExtension(name) && entry.is_regular_file(ec);
  });
}

std::vector<SkippedEntry> PassedOver(const std::vector<std::string>& folders) {
  std::vector<SkippedEntry> skipped;
  for (const std::string& folder : folders) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
      const std::string shown = folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
      skipped.push_back({shown, Tr("skipped: %s", {host::ReasonForError(ec.value(), host::FileAction::OpenFolder, shown)})});
      continue;
    }
    std::vector<std::pair<std::string, int>> broken;  // links that lead nowhere, with the error
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      struct stat info {};
      if (!IsHidden(name) && ::stat(it->path().c_str(), &info) != 0 && (errno == ENOENT || errno == ELOOP)) {
        broken.emplace_back(name, errno);
      }
    }
    std::sort(broken.begin(), broken.end());
    for (const auto& [name, error] : broken) {
      const std::string path = CollapseSeparators(folder + "/" + name);
      skipped.push_back({path, error == ELOOP ? Tr("skipped: %s is a link that leads back to itself", {path})
                                              : Tr("skipped: %s is a link to something that does not exist", {path})});
    }
  }
  return skipped;
}

std::string EstimatedSeconds(std::size_t fileCount) {
  return std::to_string(fileCount / 2) + (fileCount % 2 == 0 ? ".0" : ".5");
}

}  // namespace sheetwise::batch

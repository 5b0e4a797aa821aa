#include "batch/FolderScan.h"

#include <sys/stat.h>

#include <deque>
#include <optional>
#include <set>

#include "batch/RunPlan.h"

namespace sheetwise::batch {
namespace {

std::optional<FolderId> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FolderId{info.st_dev, info.st_ino};
}

// Whether folder (ending in "/") is one of the folders its own path passes
// through, above the tree included; walking it would never end.
bool LeadsBackToItsOwnPath(const std::string& folder, const FolderId& self) {
  for (size_t slash = folder.rfind('/', folder.size() - 2); slash != std::string::npos;
       slash = slash == 0 ? std::string::npos : folder.rfind('/', slash - 1)) {
    if (IdentityOf(folder.substr(0, slash + 1)) == self) return true;
  }
  return false;
}

// The walk: folders are taken once each, by identity; the tree's own folders
// come breadth-first, and a folder that a link leads to waits until no real
// folder is left, so it is taken under its own path where the tree holds it.
class Walk {
 public:
  Walk(FolderTree& tree, const WorkbookKinds& kinds) : tree_(tree), kinds_(kinds) {
    if (const auto id = IdentityOf(tree.folders.front())) seen_.insert(*id);
  }

  void run() {
    for (size_t i = 0; i < tree_.folders.size(); ++i) {
      list(tree_.folders[i]);
      while (i + 1 == tree_.folders.size() && !linked_.empty()) takeLinked();
    }
  }

 private:
  void list(const std::string& folder) {
    FolderListing listing = ListFolder(folder, kinds_);
    for (const auto& workbook : listing.workbooks) tree_.workbooks.add(workbook);
    for (auto& skipped : listing.skipped) tree_.skipped.push_back(std::move(skipped));
    for (auto& subfolder : listing.subfolders) {
      if (subfolder.viaLink) {
        linked_.push_back(std::move(subfolder));
      } else if (seen_.insert(subfolder.id).second) {
        tree_.folders.push_back(std::move(subfolder.path));
      }
    }
  }

  void takeLinked() {
    Subfolder next = std::move(linked_.front());
    linked_.pop_front();
    if (seen_.count(next.id) || LeadsBackToItsOwnPath(next.path, next.id)) return;
    seen_.insert(next.id);
    tree_.folders.push_back(std::move(next.path));
  }

  FolderTree& tree_;
  const WorkbookKinds& kinds_;
  std::set<FolderId> seen_;
  std::deque<Subfolder> linked_;
};

}  // namespace

FolderTree ScanFolderTree(const std::string& sourceFolder, const std::string& leftOut, const WorkbookKinds& kinds) {
  FolderTree tree{{sourceFolder}, {}, {}};
  Walk(tree, kinds).run();
  LeaveOutFolder(tree, leftOut);
  return tree;
}

void LeaveOutFolder(FolderTree& tree, const std::string& leftOut) {
  if (leftOut.empty() || tree.folders.empty() || LiesWithin(tree.folders.front(), leftOut)) return;
  EraseWithin(tree.folders, leftOut);
  EraseWithin(tree.workbooks, leftOut);
  std::erase_if(tree.skipped, [&](const SkippedEntry& skipped) { return LiesWithin(skipped.path, leftOut); });
}

std::string EstimatedSeconds(std::size_t fileCount) {
  return std::to_string(fileCount / 2) + (fileCount % 2 == 0 ? ".0" : ".5");
}

}  // namespace sheetwise::batch

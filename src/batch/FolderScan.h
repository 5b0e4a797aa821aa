#pragma once
// The source folder tree: its folders breadth-first and the workbooks of each.
// Folder paths end with "/".

#include <cstddef>
#include <string>
#include <vector>

namespace sheetwise::batch {

struct FolderTree {
  std::vector<std::string> folders;    // the source folder first, then breadth-first
  std::vector<std::string> workbooks;  // folder by folder, in name order
};

// Walks the tree of sourceFolder (ending in "/") breadth-first and lists the
// workbooks of every folder, leaving out the folder leftOut (the save folder)
// when it lies inside the tree: a run never takes its own copies for sources.
FolderTree ScanFolderTree(const std::string& sourceFolder, const std::string& leftOut = "");

// Removes leftOut and everything below it from the tree's folders and
// workbooks, unless leftOut is the tree's own top folder or empty.
void LeaveOutFolder(FolderTree& tree, const std::string& leftOut);

// Appends the immediate subfolders of folder (ending in "/") to folders, in
// name order. Hidden folders are left out, and so is a folder that leads back
// to one on its own path (a symlink loop). A folder that cannot be listed adds
// nothing.
void ListSubfolders(std::vector<std::string>& folders, const std::string& folder);

// Bare names of the workbooks in folder (regular files named *.xls, any letter
// case, not hidden), in name order; none when it cannot be listed.
std::vector<std::string> ListWorkbooks(const std::string& folder);

// What the scan passes over below the listed folders, each with the reason:
// folders that cannot be listed and links to nothing, in folder order.
struct SkippedEntry {
  std::string path;
  std::string reason;
};
std::vector<SkippedEntry> PassedOver(const std::vector<std::string>& folders);

// Half a second per file, with one decimal: 7 files give "3.5".
std::string EstimatedSeconds(std::size_t fileCount);

}  // namespace sheetwise::batch

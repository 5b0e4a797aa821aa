#pragma once
// The source folder tree: its folders breadth-first and the workbooks of each.
// Folder paths end with "/".

#include <cstddef>
#include <string>
#include <vector>

#include "batch/FolderListing.h"
#include "batch/WorkbookPaths.h"

namespace sheetwise::batch {

struct FolderTree {
  std::vector<std::string> folders;    // the source folder first, then breadth-first
  WorkbookPaths workbooks;             // folder by folder, in name order
  std::vector<SkippedEntry> skipped;   // folder by folder, in name order
};

// Walks the tree of sourceFolder (ending in "/") breadth-first, subfolders in
// name order, and lists the workbooks of every folder (regular files named as
// one of kinds, *.xls alone by default, any letter case; hidden entries are
// left out). Each real folder is
// walked once: the tree's own folders first, then the folders that only links
// lead to, under the first such link. Links back to a folder on their own
// path and into the kernel's file systems (/proc, /sys, /dev) are not
// followed. Entries named like workbooks that are no regular files (pipes,
// sockets, devices), links to nothing, paths too long for the system and
// folders that cannot be listed are skipped, saying why; nothing is opened
// but folders. The folder leftOut (the save folder) is left out when it lies
// inside the tree: a run never takes its own copies for sources.
FolderTree ScanFolderTree(const std::string& sourceFolder, const std::string& leftOut = "",
                          const WorkbookKinds& kinds = {});

// Removes leftOut and everything below it from the tree, unless leftOut is
// the tree's own top folder or empty.
void LeaveOutFolder(FolderTree& tree, const std::string& leftOut);

// Half a second per file, with one decimal: 7 files give "3.5".
std::string EstimatedSeconds(std::size_t fileCount);

}  // namespace sheetwise::batch

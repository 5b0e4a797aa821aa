#pragma once
// The entries of one folder as the folder scan sees them: subfolders,
// workbooks, and what is skipped with the reason. Entries are only looked at
// (their file type and identity), never opened: a named pipe called "x.xls"
// would block whoever opened it.

#include <sys/types.h>

#include <string>
#include <vector>

#include "batch/WorkbookKinds.h"

namespace sheetwise::batch {

struct SkippedEntry {
  std::string path;
  std::string reason;  // "skipped: ...", with the path shown escaped
};

// A folder's identity: the same folder, whatever path or link leads to it.
struct FolderId {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FolderId&) const = default;
};

struct Subfolder {
  std::string path;  // ending in "/"
  FolderId id;
  bool viaLink = false;  // the entry is a symbolic link to the folder
};

struct FolderListing {
  std::vector<Subfolder> subfolders;   // in name order
  std::vector<std::string> workbooks;  // full paths, in name order
  std::vector<SkippedEntry> skipped;   // in name order; the folder itself when it cannot be listed
};

// Lists folder (ending in "/"), hidden entries left out; its workbooks are the
// files named as one of kinds. Subfolders on the kernel's file systems and
// paths too long for the system are skipped.
FolderListing ListFolder(const std::string& folder, const WorkbookKinds& kinds);

}  // namespace sheetwise::batch

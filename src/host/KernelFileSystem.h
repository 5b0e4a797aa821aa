#pragma once
// The kernel's own file systems (/proc, /sys, /dev and the like): their
// entries are processes, devices and switches, never workbooks, and reading
// some of them blocks or never ends. A folder scan does not enter them.

#include <optional>
#include <string>

namespace sheetwise::host {

// The real path of folder when it lies on one of the kernel's file systems,
// told by the file system's type (and, for /dev, whose type an ordinary
// memory disk shares, by its place); none otherwise.
std::optional<std::string> KernelFileSystemOf(const std::string& folder);

}  // namespace sheetwise::host

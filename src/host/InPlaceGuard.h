#pragma once
// Guards around editing a workbook in place: another program's lock file beside
// it, and a lock against a second run of this program on the same file.

#include <chrono>
#include <optional>
#include <string>

#include "host/FileDescriptor.h"

namespace sheetwise::host {

// The lock file another program keeps beside a workbook it has open: the
// office's ".~lock.NAME#" or the owner file "~$NAME", looked for beside the
// path and, for a link, beside its target. None when there is none.
std::optional<std::string> ForeignLockFile(const std::string& path);

// An exclusive lock on the workbook's file (the target of a link) while it is
// processed in place, held by this object. A second run of this program waits
// for it, up to wait; then HostError. Other programs do not see it.
class SourceLock {
 public:
  SourceLock(const std::string& path, std::chrono::milliseconds wait);

 private:
  FileDescriptor fd_;
};

}  // namespace sheetwise::host

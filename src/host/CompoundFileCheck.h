#pragma once
// A compound (OLE2) file from outside is walked here, iteratively, before the
// structured-file library reads it: that library follows the directory's links
// by recursion and trusts the sizes it finds, so a crafted directory (a chain
// tens of thousands of entries deep, a loop) or a stream longer than its
// sectors would overflow its stack or read past its tables.

#include <cstdint>
#include <string>

#include "host/HostError.h"

namespace sheetwise::host {

// The most the program accepts in one container. Real workbooks stay far
// below: a handful of entries, a few levels deep.
inline constexpr int kMaxDirectoryDepth = 512;       // links followed from the root entry
inline constexpr uint32_t kMaxDirectoryEntries = 8192;  // entries reachable from the root

// A container that reading could not survive; the message says what is wrong.
class DamagedContainer : public HostError {
 public:
  using HostError::HostError;
};

// Throws DamagedContainer, saying what is wrong in the user's terms without naming
// the file, when the container at path is damaged in a way that reading it
// could not survive: header values outside the format, sector chains that
// loop or leave the file, a directory that loops, nests deeper or holds more
// entries than the limits above, streams longer than their sectors. A file
// without the compound-file signature is left to the library, which refuses
// it at once; HostError when the file cannot be read at all.
void CheckCompoundFile(const std::string& path);

}  // namespace sheetwise::host

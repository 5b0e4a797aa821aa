#pragma once
// The port that opens a file with the desktop's default program, without waiting for it.

#include <string>

namespace sheetwise::host {

class FileOpener {
 public:
  virtual ~FileOpener() = default;
  // False when no program could be started to open it (no opener installed).
  virtual bool open(const std::string& path) = 0;
};

}  // namespace sheetwise::host

#pragma once
// A private folder under the system's temporary folder, removed with all it
// holds when the object goes.

#include <filesystem>
#include <string>

namespace sheetwise::host {

class TemporaryFolder {
 public:
  // prefix: the start of the folder's name. Throws HostError when it cannot be made.
  explicit TemporaryFolder(const std::string& prefix);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace sheetwise::host

#pragma once
// A file written beside the one it is to replace ("NAME.restoring"), renamed
// over it once complete and removed otherwise, so that a failure leaves the
// target as it was and nothing beside it.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace sheetwise::restore {

class SiblingFile {
 public:
  explicit SiblingFile(const std::string& target) : target_(target), path_(target + ".restoring") {}
  ~SiblingFile() {
    std::error_code ignored;
    if (!placed_) std::filesystem::remove(path_, ignored);
  }
  SiblingFile(const SiblingFile&) = delete;
  SiblingFile& operator=(const SiblingFile&) = delete;

  const std::string& path() const { return path_; }
  const std::string& target() const { return target_; }
  // Throws std::runtime_error when the rename fails; the sibling is then removed.
  void renameOverTarget() {
    std::error_code ec;
    std::filesystem::rename(path_, target_, ec);
    if (ec) throw std::runtime_error("cannot replace " + target_);
    placed_ = true;
  }

 private:
  std::string target_, path_;
  bool placed_ = false;
};

}  // namespace sheetwise::restore

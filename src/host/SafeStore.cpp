#include "host/SafeStore.h"

#include <stdlib.h>

#include <system_error>

#include "host/HostError.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

// Removes the hidden folder and whatever the writer left in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const fs::path& parent) {
    std::string pattern = (parent / (std::string(kStoreFolderPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
      throw HostError("cannot write into the folder " + parent.string() + ": " +
                      std::generic_category().message(errno));
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

void StoreReplacing(const fs::path& target, const std::function<void(const fs::path&)>& write,
                    const std::function<void(const fs::path&)>& beforeRename) {
  const fs::path absolute = fs::absolute(target);
  const fs::path folder = absolute.parent_path();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw HostError("the folder does not exist: " + folder.string());
  if (fs::is_directory(absolute, ec)) throw HostError("a folder stands at the path: " + absolute.string());

  ScratchFolder scratch(folder);
  const fs::path temp = scratch.path() / absolute.filename();
  write(temp);
  if (!fs::is_regular_file(temp, ec)) throw HostError("nothing was written for " + absolute.string());
  if (beforeRename) beforeRename(temp);
  // Keep the permissions of a file that is replaced.
  const auto status = fs::status(absolute, ec);
  if (!ec && fs::exists(status)) fs::permissions(temp, status.permissions(), ec);
  fs::rename(temp, absolute, ec);
  if (ec) throw HostError("cannot replace " + absolute.string() + ": " + ec.message());
}

}  // namespace sheetwise::host

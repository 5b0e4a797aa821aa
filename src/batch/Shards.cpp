#include "batch/Shards.h"

namespace sheetwise::batch {

int ShareOf(std::string_view relativePath, int count) {
  return static_cast<int>(Fnv1a64(relativePath) % static_cast<std::uint64_t>(count)) + 1;
}

std::vector<std::string> TakeShare(const std::vector<std::string>& workbooks, const std::string& sourceFolder,
                                   int index, int count) {
  std::vector<std::string> share;
  for (const auto& path : workbooks) {
    const std::string_view relative =
        path.starts_with(sourceFolder) ? std::string_view(path).substr(sourceFolder.size()) : std::string_view(path);
    if (ShareOf(relative, count) == index) share.push_back(path);
  }
  return share;
}

}  // namespace sheetwise::batch

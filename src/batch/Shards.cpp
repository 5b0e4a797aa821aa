#include "batch/Shards.h"

namespace sheetwise::batch {

int ShareOf(std::string_view relativePath, int count) {
  return static_cast<int>(Fnv1a64(relativePath) % static_cast<std::uint64_t>(count)) + 1;
}

void TakeShare(WorkbookPaths& workbooks, const std::string& sourceFolder, int index, int count) {
  if (count <= 1) return;
  workbooks.keepIf([&](std::size_t i) {
    const std::string path = workbooks[i];
    const std::string_view relative =
        path.starts_with(sourceFolder) ? std::string_view(path).substr(sourceFolder.size()) : std::string_view(path);
    return ShareOf(relative, count) == index;
  });
}

}  // namespace sheetwise::batch

#include "batch/WorkbookPaths.h"

namespace sheetwise::batch {

WorkbookPaths::WorkbookPaths(const std::vector<std::string>& paths) {
  for (const auto& path : paths) add(path);
}

void WorkbookPaths::add(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
  // Paths come folder by folder: a folder is stored again only when the run of its paths was broken.
  if (folders_.empty() || folders_.back() != folder) folders_.emplace_back(folder);
  names_.append(path.substr(folder.size()));
  nameEnd_.push_back(names_.size());
  folderOf_.push_back(static_cast<std::uint32_t>(folders_.size() - 1));
}

std::string_view WorkbookPaths::name(std::size_t index) const {
  const std::uint64_t start = index == 0 ? 0 : nameEnd_[index - 1];
  return std::string_view(names_).substr(start, nameEnd_[index] - start);
}

std::string WorkbookPaths::operator[](std::size_t index) const {
  std::string path(folder(index));
  path += name(index);
  return path;
}

std::vector<std::string> WorkbookPaths::strings() const {
  std::vector<std::string> paths;
  paths.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) paths.push_back((*this)[i]);
  return paths;
}

void WorkbookPaths::keepIf(const std::function<bool(std::size_t)>& keep) {
  WorkbookPaths kept;
  for (std::size_t i = 0; i < size(); ++i) {
    if (keep(i)) kept.add((*this)[i]);
  }
  kept.folders_.shrink_to_fit();
  kept.names_.shrink_to_fit();
  kept.nameEnd_.shrink_to_fit();
  kept.folderOf_.shrink_to_fit();
  *this = std::move(kept);
}

}  // namespace sheetwise::batch

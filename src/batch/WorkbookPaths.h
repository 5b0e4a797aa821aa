#pragma once
// A list of file paths kept compactly for trees of millions of files: each
// path is its folder (stored once for a run of paths in the same folder) and
// its name (in one block of names), so a path takes little more than its
// name's bytes. Paths are handed out as whole strings, made when asked.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwise::batch {

class WorkbookPaths {
 public:
  WorkbookPaths() = default;
  explicit WorkbookPaths(const std::vector<std::string>& paths);

  // Appends path; its folder is everything up to its last "/".
  void add(std::string_view path);

  std::size_t size() const { return folderOf_.size(); }
  bool empty() const { return folderOf_.empty(); }
  std::string operator[](std::size_t index) const;
  // The path's folder, ending in "/" (empty for a bare name), and its name.
  std::string_view folder(std::size_t index) const { return folders_[folderOf_[index]]; }
  std::string_view name(std::size_t index) const;
  // Every path, as whole strings.
  std::vector<std::string> strings() const;

  // Keeps the paths for which keep(index) holds, in their order; keep is
  // asked once of each path, in order.
  void keepIf(const std::function<bool(std::size_t)>& keep);

  class Iterator {
   public:
    Iterator(const WorkbookPaths& paths, std::size_t index) : paths_(&paths), index_(index) {}
    std::string operator*() const { return (*paths_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const Iterator&) const = default;

   private:
    const WorkbookPaths* paths_;
    std::size_t index_;
  };
  Iterator begin() const { return {*this, 0}; }
  Iterator end() const { return {*this, size()}; }

 private:
  std::vector<std::string> folders_;
  std::string names_;                   // every name, one after the other
  std::vector<std::uint64_t> nameEnd_;  // where each path's name ends in names_
  std::vector<std::uint32_t> folderOf_;
};

}  // namespace sheetwise::batch

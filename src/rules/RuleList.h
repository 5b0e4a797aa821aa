#pragma once
// The ordered list of rule strings that drives a run, over the entries of the
// list box that shows it. Entries are kept exactly as given: never sorted,
// merged or checked.

#include <string>
#include <vector>

namespace sheetwise::rules {

class RuleList {
 public:
  explicit RuleList(std::vector<std::string>& entries) : entries_(entries) {}
  void append(std::string rule) { entries_.push_back(std::move(rule)); }
  // Removes the entry at index; out-of-range indexes are ignored.
  void remove(int index);
  void clear() { entries_.clear(); }
  int count() const { return static_cast<int>(entries_.size()); }
  const std::string& entry(int index) const { return entries_.at(static_cast<size_t>(index)); }

 private:
  std::vector<std::string>& entries_;
};

}  // namespace sheetwise::rules

#pragma once
// The ordered list of rule strings that drives a run. Entries are kept exactly as
// given: never sorted, merged or checked.

#include <string>
#include <vector>

namespace sheetwise::rules {

class RuleList {
 public:
  void append(std::string rule) { entries_.push_back(std::move(rule)); }
  // Removes the entry at index; out-of-range indexes are ignored.
  void remove(int index);
  void clear() { entries_.clear(); }
  int count() const { return static_cast<int>(entries_.size()); }
  const std::string& entry(int index) const { return entries_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

}  // namespace sheetwise::rules

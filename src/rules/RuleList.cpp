#include "rules/RuleList.h"

namespace sheetwise::rules {

void RuleList::remove(int index) {
  if (index < 0 || index >= count()) return;
  entries_.erase(entries_.begin() + index);
}

}  // namespace sheetwise::rules

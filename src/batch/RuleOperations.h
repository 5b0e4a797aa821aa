#pragma once
// What each rule kind does to an open workbook. Row insertion and deletion,
// merging, clearing, heights and widths act on the workbook's active sheet;
// cell replacement acts on the named sheet; renaming looks the named sheet up
// by its name each time.

#include <stdexcept>
#include <string>

#include "host/Spreadsheet.h"
#include "rules/ParsedRule.h"

namespace sheetwise::batch {

// A rule that cannot be applied: one that could not be read, or one that the
// spreadsheet refuses.
class RuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RuleTarget {
  host::Workbook& workbook;
  host::Worksheet& activeSheet;
  host::Worksheet& namedSheet;
  const std::string& sheetName;  // the sheet-name field, looked up by renaming
};

// Applies one readable rule that acts (rule.acts).
void ApplyRule(const rules::ParsedRule& rule, const RuleTarget& target);

}  // namespace sheetwise::batch

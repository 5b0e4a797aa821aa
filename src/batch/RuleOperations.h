#pragma once
// What each rule kind does to an open workbook. Row insertion and deletion,
// merging, clearing, heights and widths act on the workbook's active sheet;
// cell replacement acts on the named sheet; renaming looks the named sheet up
// by its name each time.

#include <stdexcept>
#include <string>
#include <vector>

#include "host/Spreadsheet.h"
#include "rules/RuleString.h"

namespace sheetwise::batch {

// A rule that cannot be applied: a missing field or a value that is no number.
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

// False for a row or column rule whose mode is not the one it acts on: such a
// rule is handled without effect. Throws RuleError when the mode field is missing.
bool RuleActs(rules::RuleKind kind, const std::vector<std::string>& fields);

// Applies one rule whose action has begun (RuleActs was true).
void ApplyRule(rules::RuleKind kind, const std::vector<std::string>& fields, const RuleTarget& target);

}  // namespace sheetwise::batch

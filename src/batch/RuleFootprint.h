#pragma once
// Where an applied rule acted, in the terms of the verification of the save.

#include <string>
#include <vector>

#include "rules/RuleString.h"
#include "verify/EditFootprint.h"

namespace sheetwise::batch {

// The edits of one rule that ApplyRule has applied without failing.
std::vector<verify::Edit> FootprintOf(rules::RuleKind kind, const std::vector<std::string>& fields);

}  // namespace sheetwise::batch

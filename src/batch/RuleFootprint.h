#pragma once
// Where an applied rule acted, in the terms of the verification of the save.

#include <vector>

#include "rules/ParsedRule.h"
#include "verify/EditFootprint.h"

namespace sheetwise::batch {

// The edits of one rule that ApplyRule has applied without failing.
std::vector<verify::Edit> FootprintOf(const rules::ParsedRule& rule);

}  // namespace sheetwise::batch

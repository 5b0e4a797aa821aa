#pragma once
// The office reads a truth or error constant of an .xlsx as a formula of that
// constant alone and writes it so (<f>TRUE()</f>, <f>#N/A</f>). Where the
// source's cell at the same place held the same constant and no rule reached
// it, the formula element is taken out of the written cell again; nothing
// else of the cell or the part changes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::restore {

// written (a sheet part) with those cells constants again, and how many;
// none when there is none.
struct ConstantsRestored {
  std::string part;
  size_t count = 0;
};
std::optional<ConstantsRestored> RestoreOoxmlConstants(std::string_view source, std::string_view written,
                                                       const std::vector<const verify::Edit*>& edits);

// Whether a written sheet part may hold such a cell: a cheap look before it is read cell by cell.
bool MayHoldConstantFormulas(std::string_view written);

}  // namespace sheetwise::restore

#pragma once
// Truth and error constants (TRUE, #N/A), which the office saves as formulas
// of that constant alone (=TRUE(), =#N/A): the source's BOOLERR record put
// back in place of the office's FORMULA record, in cells no rule reached.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::restore {

// Rewrites the written workbook stream with each such record replaced (the
// cell's format as the office wrote it, the value as the source stores it),
// the sheets' starts moved with them (see RecordReplacement.h). Returns, by
// sheet name, how many constants were put back.
std::vector<std::pair<std::string, size_t>> RestoreConstantCells(const std::vector<uint8_t>& source,
                                                                 std::vector<uint8_t>& written,
                                                                 const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

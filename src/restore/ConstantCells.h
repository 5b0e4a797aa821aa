#pragma once
// Truth and error constants (TRUE, #N/A), which the office saves as formulas
// of that constant alone (=TRUE(), =#N/A): the source's BOOLERR record put
// back in place of the office's FORMULA record, in cells no rule reached.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "restore/RecordReplacement.h"
#include "verify/EditFootprint.h"

namespace sheetwise::restore {

// Each such record of the written workbook stream, replaced by the source's
// (the cell's format as the office wrote it, the value as the source stores
// it), added to replacements. Returns, by sheet name, how many constants are
// to be put back.
std::vector<std::pair<std::string, size_t>> RestoreConstantCells(const std::vector<uint8_t>& source,
                                                                 const std::vector<uint8_t>& written,
                                                                 const verify::EditFootprint& footprint,
                                                                 Replacements& replacements);

}  // namespace sheetwise::restore

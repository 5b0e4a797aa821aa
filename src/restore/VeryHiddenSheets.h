#pragma once
// Very hidden sheets, which the office saves as hidden: their visibility
// byte, in the BOUNDSHEET records of the workbook stream, set again from the
// source's.

#include <cstdint>
#include <string>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::restore {

// Makes each sheet of the written workbook stream that the source stream
// holds very hidden, and the written one hidden, very hidden again: the same
// sheet in the same place, under the same name or the one a rule gave it, in
// workbooks with as many sheets. Nothing is changed unless both streams read
// as unencrypted Excel 97-2003 workbooks. Returns the names of the sheets
// changed, as the written stream has them.
std::vector<std::string> RestoreVeryHidden(const std::vector<uint8_t>& source, std::vector<uint8_t>& written,
                                           const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

#pragma once
// Formulas whose result the office computes anew at load (functions it lacks
// or computes otherwise, text results it writes as 0): the result the source
// stores set back, where the rules cannot reach the formula.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "restore/RecordReplacement.h"
#include "verify/EditFootprint.h"
#include "verify/XlsContent.h"

namespace sheetwise::restore {

// For each formula of the written workbook stream that came from a formula of
// the source (through the rules' row and column moves) which no rule can
// reach, and whose result differs from the source's: its records (FORMULA,
// and STRING for a text) with the source's result, added to replacements.
// sourceContent reads the source as the check does, asked only when a result
// differs. Returns, by sheet name, how many results are to be set back.
std::vector<std::pair<std::string, size_t>> RestoreFormulaResults(
    const std::vector<uint8_t>& source, const std::vector<uint8_t>& written, const verify::EditFootprint& footprint,
    const std::function<verify::XlsContent()>& sourceContent, Replacements& replacements);

}  // namespace sheetwise::restore

#pragma once
// Formulas whose result the office computes anew at load (functions it lacks
// or computes otherwise): the result the source stores set back in the
// FORMULA record, where the rules cannot reach the formula.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "verify/EditFootprint.h"
#include "verify/XlsContent.h"

namespace sheetwise::restore {

// For each formula of the written workbook stream that came from a formula of
// the source (through the rules' row and column moves) which no rule can
// reach, and whose number, truth or error result differs from the source's:
// the source's result, the records' sizes unchanged (a text result, which has
// a record of its own, is left). sourceContent reads the source as the check
// does, asked only when a result may need setting back. Returns, by sheet
// name, how many results were set back.
std::vector<std::pair<std::string, size_t>> RestoreFormulaResults(
    const std::vector<uint8_t>& source, std::vector<uint8_t>& written, const verify::EditFootprint& footprint,
    const std::function<verify::XlsContent()>& sourceContent);

}  // namespace sheetwise::restore

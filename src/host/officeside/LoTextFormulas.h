#pragma once
// The Excel 97 export writes the result of a formula with a text result as 0
// unless the formula was entered in this session: such formulas are entered
// again before an .xls is stored.

#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <vector>

#include "host/LoSession.h"

namespace sheetwise::host {

// Enters every formula with a text result again, found with one query per
// sheet. Sheets protected without a password are unprotected for it and
// protected again; a password-protected sheet keeps its formulas as they are.
void ReenterTextFormulas(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets);

}  // namespace sheetwise::host

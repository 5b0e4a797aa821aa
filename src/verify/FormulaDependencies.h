#pragma once
// Which formulas of a workbook can compute another result than the one the
// file stores once the rules' edits are made: those that can depend, through
// other formulas and defined names, on a cell an edit wrote, cleared or
// merged, on a range rows or columns were inserted into or deleted from, on a
// volatile function, a position-dependent one once cells moved, or another
// workbook; and those holding tokens that cannot be interpreted.

#include <set>
#include <vector>

#include "verify/EditFootprint.h"
#include "verify/XlsContent.h"

namespace sheetwise::verify {

// editsBySheet: the edits of each sheet of book, by its index. The result
// holds, by sheet, the formula cells (source positions) that may change.
std::vector<std::set<Position>> FormulasThatMayChange(const XlsContent& book,
                                                      const std::vector<std::vector<const Edit*>>& editsBySheet);

}  // namespace sheetwise::verify

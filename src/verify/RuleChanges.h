#pragma once
// What the rules changed in one workbook, in the user's words, one line each:
// the rows and columns inserted or deleted, ranges merged or cleared, heights
// and widths set and sheets renamed (in rule order, rows and columns numbered
// as the rule gave them), then each cell whose value differs between the
// source and the written file where a rule wrote, merged or cleared cells
// (named where it is in the written file, before → after).

#include <cstddef>

#include "verify/EditFootprint.h"
#include "verify/SaveComparison.h"
#include "verify/XlsContent.h"

namespace sheetwise::verify {

// How many changes a report describes unless asked for all.
inline constexpr size_t kChangesShown = 20;

// From the readings the check of the save made of the source and the written file.
Differences ListChanges(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint,
                        size_t shown = kChangesShown);

// Without readings: the rules' edits alone, the active sheet unnamed and
// the cells written without their values.
Differences ListEdits(const EditFootprint& footprint, size_t shown = kChangesShown);

}  // namespace sheetwise::verify

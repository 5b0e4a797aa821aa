#pragma once
// "--merge-reports OUT IN...": the reports of the tasks of one run (shares,
// tries again) put together into one, with a row per workbook: its last
// processed, vetoed or failed row, so that a workbook that a later try skipped
// as done keeps the row of the try that did it; a workbook no try did keeps
// its last row. Rows follow the order in which workbooks first appear. Save
// journals beside the reports ("NAME.saving.EXT") are left out, with a notice:
// they record replacements about to happen, not outcomes.

#include <ostream>
#include <string>
#include <vector>

#include "cli/RunReport.h"

namespace sheetwise::batch {

// One row per workbook of rows, in the order the workbooks first appear.
std::vector<ReportRow> FinalRows(const std::vector<ReportRow>& rows);

// paths: OUT, then the reports. Refusals (no report named, a report that
// cannot be read, an OUT that cannot be made) are UsageErrors; returns the
// exit status (ExitStatus.h) and says on err what was merged.
int MergeReports(const std::vector<std::string>& paths, std::ostream& err);

}  // namespace sheetwise::batch

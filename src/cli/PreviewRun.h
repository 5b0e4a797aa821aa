#pragma once
// Trying a rule list before the run: a few workbooks of the plan edited into
// a temporary folder, each one's changes and check result printed, and
// nothing else written; the folder goes with everything in it.

#include <atomic>
#include <string>
#include <vector>

#include "batch/ParallelRun.h"
#include "batch/RunSettings.h"
#include "cli/BatchCommand.h"

namespace sheetwise::batch {

// The workbooks a preview edits: the first count of only (each a path to a
// workbook of the plan, in the order given), or of the plan when only is
// empty. Throws UsageError naming a path of only that is no workbook of the plan.
std::vector<std::string> PreviewedWorkbooks(const WorkbookPaths& plan, const std::vector<std::string>& only,
                                            size_t count);

// Edits workbooks as settings say into a temporary folder and prints each
// one's outcome, check result and changes on io.out, in order; returns the
// exit status (ExitStatus.h). Throws UsageError when the folder cannot be made.
int PreviewRun(RunSettings settings, const std::vector<std::string>& workbooks, const ParallelRunOptions& options,
               CommandStreams io);

}  // namespace sheetwise::batch

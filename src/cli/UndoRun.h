#pragma once
// Taking an in-place run back (--undo REPORT) and dropping what was kept of it
// (--forget REPORT). Neither opens a workbook with the office.
//
// The undo puts back the original of every workbook the run's report (and its
// save journal, for a run killed before its rows were written) names one for,
// when the workbook still holds exactly what the run wrote (its SHA-256); each
// as a save does, through a hidden folder beside it and a rename, keeping its
// mode and owner, with the original's time of last change. A workbook changed
// since is left as it is and listed with that reason; one that holds its
// original already (an undo done before) is listed as such, so an undo can be
// run again, or after it was stopped, and does only what is left.

#include <atomic>
#include <string>

#include "cli/BatchCommand.h"

namespace sheetwise::batch {

// The undo's own report when none is named: "NAME.undo.EXT" beside the run's.
std::string UndoReportFor(const std::string& runReport);

// Exit status as the batch command's: 0, 1 when some workbook could not be
// put back or the report not written, 2 when the run's report cannot be read,
// 130 when interrupted (the workbooks not reached are listed as not started).
int UndoRun(const std::string& runReport, const std::string& undoReport, bool quiet, CommandStreams io,
            std::atomic<bool>& interrupted);

// Removes the originals the report names, and their run folder once empty.
// Only files inside a run folder are removed, whatever the report names.
int ForgetRun(const std::string& runReport, CommandStreams io);

}  // namespace sheetwise::batch

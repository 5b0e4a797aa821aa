#pragma once
// 撤销上次运行: the last in-place run of the window taken back by the batch
// command's undo (the same code as "sheetwise-batch --undo REPORT"): every
// original put back whose workbook still holds what the run wrote, the others
// left as they are; the result is shown, and the undo's own report is kept
// beside the run's.

#include <string>
#include <vector>

#include "cli/RunReport.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"
#include "ui/handlers/InPlaceRuns.h"

namespace sheetwise::batch {

extern const char* const kUndoWhileRunning;
extern const char* const kNothingToUndo;
extern const char* const kUndoGoOn;
std::string UndoQuestion(const std::string& runReport);

// What the undo did, from the rows of its report, for the window: how many
// were put back and which were left, and why (the first few).
std::string UndoResultText(const std::vector<ReportRow>& undone, const std::string& undoReport);

void UndoLastRun(ui::Form1& form, ui::Dialogs& dialogs, const InPlaceRuns& runs);

}  // namespace sheetwise::batch

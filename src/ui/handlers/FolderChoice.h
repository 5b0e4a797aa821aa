#pragma once
// The source and save folder choices of the frame "位置": the source choice
// walks the folder tree breadth-first into the folder list (List1), queues
// every workbook of those folders (List2), of the kinds checked beside the file
// list, and reports the counts and a time estimate; the save choice sets the
// save folder.

#include <string>
#include <vector>

#include "batch/FolderListing.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

inline constexpr const char* kChooseFolderPrompt = "请选择目录";

// The chosen folder's full path, "" when the user cancels.
std::string BrowseForFolder(ui::Dialogs& dialogs, const std::string& prompt);

// Command2 "打开目录". Needs a sheet name in Text9; sets Text4 ("/" after a
// cancelled choice, which leaves both lists as they were); otherwise rebuilds
// List1 and List2 and shows the summary.
void ChooseSourceFolder(ui::Form1& form, ui::Dialogs& dialogs);

// Walks Text4's folder tree into List1 and queues its workbooks in List2,
// replacing what both held; returns what the walk skipped.
std::vector<SkippedEntry> ScanSourceFolder(ui::Form1& form);

// A kind's check box beside the file list was clicked. Nothing chosen goes
// back to .xls alone; Frame15's caption names the chosen kinds (its
// usual caption while .xls alone is chosen); a source folder chosen
// already is walked again, queueing the workbooks of the kinds now chosen.
void KindsChanged(ui::Form1& form);

// Command5 "保存目录": sets Text5, emptied by a cancelled choice.
void ChooseSaveFolder(ui::Form1& form, ui::Dialogs& dialogs);

}  // namespace sheetwise::batch

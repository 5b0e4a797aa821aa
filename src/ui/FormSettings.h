#pragma once
// What the main window's fields say about a run, read at the moment of a call:
// the sheet name, the veto condition, in-place saving, the file-name rules with
// the run's prefix, the rule list read for the mode chosen (editing or extraction),
// and the kinds of workbook chosen.

#include "batch/RunSettings.h"
#include "ui/Form1.h"

namespace sheetwise::ui {

batch::NamingRules NamingRulesOf(const Form1& form);
// The kinds checked beside the file list.
batch::WorkbookKinds KindsOf(const Form1& form);
batch::RunSettings RunSettingsOf(const Form1& form);

}  // namespace sheetwise::ui

#pragma once
// "保存规则…" and "载入规则…" of the rule list: the rule list written to a rule
// file (a name without an extension gets ".txt", which the load dialog's
// filter shows), and a rule file's rules appended to the list.

#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::rules {

inline constexpr const char* kRuleFileFilter = "规则文件 (*.txt);;所有文件 (*)";
inline constexpr const char* kRuleFileSuffix = "txt";

void SaveRulesCommand(ui::Form1& form, ui::Dialogs& dialogs);
void LoadRulesCommand(ui::Form1& form, ui::Dialogs& dialogs);

}  // namespace sheetwise::rules

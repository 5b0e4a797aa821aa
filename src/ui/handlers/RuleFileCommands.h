#pragma once
// "保存规则…" and "载入规则…" of the rule list: the rule list written to a rule
// file (a name without an extension gets ".txt", which the load dialog's
// filter shows), and a rule file's rules put in the list. Loading says which
// encoding was used where it was not plain UTF-8 (and asks which one where
// several read the file equally well), shows the rules that cannot be read
// with their reasons (they are left out), and asks whether the rules replace
// the list (the default) or are added after it.

#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::rules {

inline constexpr const char* kRuleFileFilter = "规则文件 (*.txt);;所有文件 (*)";
inline constexpr const char* kRuleFileSuffix = "txt";

void SaveRulesCommand(ui::Form1& form, ui::Dialogs& dialogs);
void LoadRulesCommand(ui::Form1& form, ui::Dialogs& dialogs);

}  // namespace sheetwise::rules

#include "ui/handlers/RuleFileCommands.h"

#include "rules/RuleFile.h"

namespace sheetwise::rules {

void SaveRulesCommand(ui::Form1& form, ui::Dialogs& dialogs) {
  const std::string path = dialogs.chooseSaveFile(kRuleFileFilter);
  if (path.empty()) return;
  try {
    SaveRuleFile(path, form.List3.items);
  } catch (const RuleFileError&) {
    dialogs.message("无法写入规则文件：" + path, ui::MessageStyle::Plain);
  }
}

void LoadRulesCommand(ui::Form1& form, ui::Dialogs& dialogs) {
  const std::string path = dialogs.chooseFile(kRuleFileFilter);
  if (path.empty()) return;
  try {
    for (auto& rule : LoadRuleFile(path)) form.List3.items.push_back(std::move(rule));
  } catch (const RuleFileError& e) {
    const std::string where = e.line == 0 ? "" : "（第 " + std::to_string(e.line) + " 行既不是 UTF-8 也不是 GB18030 文本）";
    dialogs.message("无法读取规则文件：" + path + where, ui::MessageStyle::Plain);
  }
}

}  // namespace sheetwise::rules

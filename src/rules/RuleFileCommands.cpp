#include "rules/RuleFileCommands.h"

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
    RuleFileContents contents = LoadRuleFile(path);
    for (auto& rule : contents.rules) form.List3.items.push_back(std::move(rule));
    if (contents.encoding == RuleFileEncoding::Gb18030) {
      dialogs.message("规则文件不是 UTF-8，已按 GB18030 读取：" + path, ui::MessageStyle::Plain);
    }
  } catch (const RuleFileError& e) {
    const std::string what = e.utf16 ? "（文件是 UTF-16 文本，请另存为 UTF-8）"
                             : e.line == 0 ? ""
                                           : "（第 " + std::to_string(e.line) + " 行不是 UTF-8 文本，请另存为 UTF-8）";
    dialogs.message("无法读取规则文件：" + path + what, ui::MessageStyle::Plain);
  }
}

}  // namespace sheetwise::rules

#include "ui/handlers/RuleFileCommands.h"

#include <filesystem>

#include "rules/RuleFile.h"

namespace sheetwise::rules {
namespace {

std::string RuleFileName(const std::string& chosen) {
  if (std::filesystem::path(chosen).has_extension()) return chosen;
  return chosen + "." + kRuleFileSuffix;
}

}  // namespace

void SaveRulesCommand(ui::Form1& form, ui::Dialogs& dialogs) {
  const std::string chosen = dialogs.chooseSaveFile(kRuleFileFilter, kRuleFileSuffix);
  if (chosen.empty()) return;
  const std::string path = RuleFileName(chosen);
  // The dialog asked before replacing the name it gave, not the one made here.
  std::error_code error;
  if (path != chosen && std::filesystem::exists(path, error)) {
    dialogs.message("已有同名的规则文件：" + path + "\n没有覆盖它，请换一个文件名。", ui::MessageStyle::Plain);
    return;
  }
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

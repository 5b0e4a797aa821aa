#include "ui/handlers/RuleFileCommands.h"

#include <filesystem>
#include <optional>

#include "rules/ParsedRule.h"
#include "rules/RuleFile.h"
#include "rules/RuleString.h"

namespace sheetwise::rules {
namespace {

std::string RuleFileName(const std::string& chosen) {
  if (std::filesystem::path(chosen).has_extension()) return chosen;
  return chosen + "." + kRuleFileSuffix;
}

// The file read, in the encoding the user chooses where more than one reads
// it equally well; nothing when it cannot be read (the user is told why) or
// the choice is cancelled.
std::optional<RuleFileContents> Loaded(const std::string& path, ui::Dialogs& dialogs, const std::string& encoding = {}) {
  try {
    return LoadRuleFile(path, encoding);
  } catch (const RuleFileError& e) {
    if (e.candidates.empty()) {
      dialogs.message("无法读取规则文件：" + path + "\n" + e.what(), ui::MessageStyle::Plain);
      return std::nullopt;
    }
    std::vector<std::string> choices = e.candidates;
    choices.emplace_back("取消");
    const int chosen = dialogs.choose(std::string(e.what()) + "\n按哪种编码读取？", choices);
    if (chosen < 0 || chosen >= static_cast<int>(e.candidates.size())) return std::nullopt;
    return Loaded(path, dialogs, e.candidates[chosen]);
  }
}

// The rules of a file that the list takes, and what the user is told first:
// the encoding where it was not plain UTF-8, and each rule left out, with why.
struct LoadedRules {
  std::vector<std::string> readable;
  std::string told;
  bool leftOut = false;
};

LoadedRules Sorted(const RuleFileContents& contents, const std::string& path) {
  LoadedRules loaded;
  if (contents.encodingWorthTelling()) loaded.told = "规则文件已按 " + contents.encoding + " 读取：" + path + "\n";
  for (size_t i = 0; i < contents.rules.size(); ++i) {
    const std::string& text = contents.rules[i];
    // Each rule as its kind reads it: the extraction switch may change before a run.
    const ParsedRule rule = text.starts_with(tag::ExtractCell) ? ParseExtractRule(text) : ParseRule(text);
    if (rule.readable()) {
      loaded.readable.push_back(text);
      continue;
    }
    loaded.told += "第 " + std::to_string(i + 1) + " 条规则“" + Quoted(text) + "”无法读取，不载入：" + rule.refusal + "\n";
    loaded.leftOut = true;
  }
  return loaded;
}

// Whether the rules go into the list, once the user has seen what there is to
// tell and, where the list holds rules, chosen to replace them (then cleared
// here) or to add to them.
bool Accepted(ui::Form1& form, ui::Dialogs& dialogs, const LoadedRules& loaded) {
  const std::string count = std::to_string(loaded.readable.size()) + " 条规则";
  auto& list = form.List3.items;
  if (!list.empty()) {
    const int answer =
        dialogs.choose(loaded.told + "用这 " + count + "替换规则列表，还是添加到列表末尾？", {"替换", "添加", "取消"});
    if (answer == 0) list.clear();
    return answer == 0 || answer == 1;
  }
  if (loaded.leftOut) return dialogs.choose(loaded.told + "载入其余 " + count + "？", {"载入", "取消"}) == 0;
  if (!loaded.told.empty()) dialogs.message(loaded.told + "已载入 " + count + "。", ui::MessageStyle::Plain);
  return true;
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
  const auto contents = Loaded(path, dialogs);
  if (!contents) return;
  const LoadedRules loaded = Sorted(*contents, path);
  if (!Accepted(form, dialogs, loaded)) return;
  form.List3.selection = -1;
  form.List3.items.insert(form.List3.items.end(), loaded.readable.begin(), loaded.readable.end());
}

}  // namespace sheetwise::rules

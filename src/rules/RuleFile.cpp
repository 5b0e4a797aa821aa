#include "rules/RuleFile.h"

#include <fstream>
#include <sstream>

#include "host/Translate.h"

namespace sheetwise::rules {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

std::vector<std::string> ParseRuleText(const std::string& text) {
  std::string_view rest(text);
  if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) rest.remove_prefix(kByteOrderMark.size());
  std::vector<std::string> rules;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string line(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsBlank(line)) rules.push_back(std::move(line));
  }
  return rules;
}

std::vector<std::string> LoadRuleFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuleFileError(std::string(Tr("cannot read the rule file")) + " " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return ParseRuleText(text.str());
}

void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& rule : rules) out << rule << '\n';
  out.flush();
  if (!out) throw RuleFileError(std::string(Tr("cannot write the rule file")) + " " + path.string());
}

}  // namespace sheetwise::rules

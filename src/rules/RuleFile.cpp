#include "rules/RuleFile.h"

#include <fstream>

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
    const size_t end = rest.find_first_of("\r\n");
    std::string line(rest.substr(0, end));
    const bool crLf = end != std::string_view::npos && rest.substr(end, 2) == "\r\n";
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + (crLf ? 2 : 1));
    if (!IsBlank(line)) rules.push_back(std::move(line));
  }
  return rules;
}

RuleFileContents LoadRuleFile(std::istream& in, const std::string& name, const std::string& encoding) {
  // A pipe or a device may never end: read no more than a rule file can be.
  std::string bytes;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<size_t>(in.gcount()));
    if (bytes.size() > kMaxRuleFileBytes) {
      throw RuleFileError(Tr("the rule file %s is larger than %s MB: no rule file is that long",
                             {name, std::to_string(kMaxRuleFileBytes >> 20)}));
    }
  }
  if (in.bad()) throw RuleFileError(std::string(Tr("cannot read the rule file")) + " " + name);
  DecodedRuleText decoded = DecodeRuleBytes(bytes, name, encoding);
  return {ParseRuleText(decoded.text), std::move(decoded.encoding), decoded.chosenAmongReadings};
}

RuleFileContents LoadRuleFile(const std::filesystem::path& path, const std::string& encoding) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuleFileError(std::string(Tr("cannot read the rule file")) + " " + path.string());
  return LoadRuleFile(in, path.string(), encoding);
}

void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& rule : rules) out << rule << '\n';
  out.flush();
  if (!out) throw RuleFileError(std::string(Tr("cannot write the rule file")) + " " + path.string());
}

}  // namespace sheetwise::rules

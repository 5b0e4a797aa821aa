#pragma once
// Rule files: text, one rule string per line exactly as the rule list holds
// it, in the encoding decided once for the whole file (RuleFileEncoding.h).
// CR, LF and CR LF all end a line; blank lines are skipped. The window and the
// batch command write UTF-8.

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

#include "rules/RuleFileEncoding.h"

namespace sheetwise::rules {

// The most a rule file may hold: far more than any list of rules.
inline constexpr size_t kMaxRuleFileBytes = 64u << 20;

struct RuleFileContents {
  std::vector<std::string> rules;
  std::string encoding;  // as shown to the user, e.g. "UTF-8", "GB18030"
  bool chosenAmongReadings = false;  // other encodings read the file as plausible text too

  // Whether the user is told the encoding: always but for UTF-8 that nothing else could have been.
  bool encodingWorthTelling() const { return chosenAmongReadings || encoding != "UTF-8"; }
};

std::vector<std::string> ParseRuleText(const std::string& text);
// Reads a rule file once, to its end: a regular file, a pipe or a device.
// encoding: a name KnownEncoding takes; empty: decided from the bytes.
RuleFileContents LoadRuleFile(const std::filesystem::path& path, const std::string& encoding = {});
// The same from a stream (standard input), shown as name.
RuleFileContents LoadRuleFile(std::istream& in, const std::string& name, const std::string& encoding = {});
// Writes the rules, one a line (LF), replacing the file.
void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules);

}  // namespace sheetwise::rules

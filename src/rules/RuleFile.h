#pragma once
// Rule files: UTF-8 text, one rule string per line exactly as the rule list
// holds it; a file that is not UTF-8 but is clean GB18030 is read as such. Reading tolerates a byte-order mark and CR LF line ends and skips
// blank lines.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheetwise::rules {

class RuleFileError : public std::runtime_error {
 public:
  explicit RuleFileError(const std::string& what, size_t line = 0) : std::runtime_error(what), line(line) {}
  size_t line;  // the line that could not be decoded; 0 when the file as a whole failed
};

std::vector<std::string> ParseRuleText(const std::string& text);
// The file's bytes as UTF-8: as they are when they are UTF-8, else decoded
// from GB18030; RuleFileError naming the first line neither can read.
std::string DecodeRuleBytes(const std::string& bytes, const std::string& fileName);
std::vector<std::string> LoadRuleFile(const std::filesystem::path& path);
// Writes the rules, one a line (LF), replacing the file.
void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules);

}  // namespace sheetwise::rules

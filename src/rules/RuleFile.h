#pragma once
// Rule files: UTF-8 text, one rule string per line exactly as the rule list
// holds it. The encoding is decided once for the whole file: UTF-8 when it is
// valid UTF-8 (a byte-order mark is dropped); GB18030 when it holds no UTF-8
// sequence of more than one byte and reads cleanly as GB18030 (what a Chinese
// Windows editor saves as "ANSI"); anything else is refused. CR, LF and CR LF
// all end a line; blank lines are skipped.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheetwise::rules {

class RuleFileError : public std::runtime_error {
 public:
  explicit RuleFileError(const std::string& what, size_t line = 0, bool utf16 = false)
      : std::runtime_error(what), line(line), utf16(utf16) {}
  size_t line;  // the line that could not be decoded; 0 when the file as a whole failed
  bool utf16;   // the file is UTF-16 text
};

enum class RuleFileEncoding { Utf8, Gb18030 };

struct DecodedRuleText {
  std::string text;  // UTF-8
  RuleFileEncoding encoding = RuleFileEncoding::Utf8;
};

struct RuleFileContents {
  std::vector<std::string> rules;
  RuleFileEncoding encoding = RuleFileEncoding::Utf8;
};

std::vector<std::string> ParseRuleText(const std::string& text);
// The file's bytes as UTF-8; RuleFileError naming the first line that is
// neither, and saying to save the file as UTF-8.
DecodedRuleText DecodeRuleBytes(const std::string& bytes, const std::string& fileName);
RuleFileContents LoadRuleFile(const std::filesystem::path& path);
// Writes the rules, one a line (LF), replacing the file.
void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules);

}  // namespace sheetwise::rules

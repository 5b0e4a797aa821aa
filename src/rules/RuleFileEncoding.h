#pragma once
// The encoding of a rule file, decided once for the whole file: the encoding
// the user names first; else a byte-order mark (UTF-8, UTF-16); else every
// reading that decodes the whole file cleanly (UTF-8, and what Windows saves
// as "ANSI": GB18030/GBK, Big5, Shift-JIS, EUC-KR) is weighed by its own
// characters: a reading with characters no rule file holds (control
// characters, private-use characters, stray combining marks) or with more rare
// characters than common ones is dropped, the fewest rare characters win, and
// among readings equally good the charset detector's answer, else UTF-8, else
// GB18030 is taken. When none of these decides, the file is refused with the
// readings named; valid UTF-8 that no reading finds plausible is read as UTF-8.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheetwise::rules {

class RuleFileError : public std::runtime_error {
 public:
  explicit RuleFileError(const std::string& what, size_t line = 0, bool utf16 = false,
                         std::vector<std::string> candidates = {})
      : std::runtime_error(what), line(line), utf16(utf16), candidates(std::move(candidates)) {}
  size_t line;  // the line that could not be decoded; 0 when the file as a whole failed
  bool utf16;   // the file is UTF-16 text without a byte-order mark
  // The encodings the file reads equally well in, when undecided, as shown (KnownEncoding takes them).
  std::vector<std::string> candidates;
};

struct DecodedRuleText {
  std::string text;      // UTF-8
  std::string encoding;  // as shown to the user: "UTF-8", "GB18030", "GBK (CP936)", "Big5", "Shift-JIS", ...
  bool chosenAmongReadings = false;  // other encodings read the file as plausible text too
};

// The shown name of the encoding a user named ("utf-8", "gbk", "shift-jis",
// "big5", "euc-kr", or any name the C library's iconv knows); nullopt when unknown.
std::optional<std::string> KnownEncoding(const std::string& name);

// The file's bytes as UTF-8, in the encoding named by chosen (a name
// KnownEncoding takes) or, when chosen is empty, the one decided as above.
// RuleFileError names the first line that does not decode, or the readings
// that could not be told apart.
DecodedRuleText DecodeRuleBytes(const std::string& bytes, const std::string& fileName,
                                const std::string& chosen = {});

}  // namespace sheetwise::rules

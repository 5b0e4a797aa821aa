#include "rules/RuleFile.h"

#include <iconv.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "host/Translate.h"

namespace sheetwise::rules {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// The offset of the first byte that does not belong to a well-formed UTF-8
// sequence, or npos.
size_t FirstInvalidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned min = 0;
    if (byte < 0x80) {
      ++i;
      continue;
    } else if ((byte & 0xE0) == 0xC0) {
      length = 2, min = 0x80;
    } else if ((byte & 0xF0) == 0xE0) {
      length = 3, min = 0x800;
    } else if ((byte & 0xF8) == 0xF0) {
      length = 4, min = 0x10000;
    } else {
      return i;
    }
    if (i + length > text.size()) return i;
    unsigned code = byte & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    i += length;
  }
  return std::string_view::npos;
}

// The text in UTF-8, or the offset at which GB18030 decoding stopped.
struct Gb18030Result {
  std::string text;
  size_t failedAt = std::string::npos;
};

Gb18030Result DecodeGb18030(const std::string& bytes) {
  const iconv_t converter = ::iconv_open("UTF-8", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1)) return {"", 0};
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t result = ::iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  ::iconv_close(converter);
  if (result == static_cast<size_t>(-1)) return {"", static_cast<size_t>(in - bytes.data())};
  out.resize(out.size() - outLeft);
  return {out, std::string::npos};
}

size_t LineAt(const std::string& bytes, size_t offset) {
  return 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(offset), '\n'));
}

}  // namespace

std::string DecodeRuleBytes(const std::string& bytes, const std::string& fileName) {
  const size_t invalid = FirstInvalidUtf8(bytes);
  if (invalid == std::string::npos) return bytes;
  // What a Chinese Windows editor saves as "ANSI".
  Gb18030Result gb = DecodeGb18030(bytes);
  if (gb.failedAt == std::string::npos) return gb.text;
  const size_t line = LineAt(bytes, std::max(invalid, gb.failedAt));
  throw RuleFileError("the rule file " + fileName + " is neither UTF-8 nor GB18030 text (line " +
                          std::to_string(line) + ")",
                      line);
}

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
  return ParseRuleText(DecodeRuleBytes(text.str(), path.string()));
}

void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& rule : rules) out << rule << '\n';
  out.flush();
  if (!out) throw RuleFileError(std::string(Tr("cannot write the rule file")) + " " + path.string());
}

}  // namespace sheetwise::rules

#include "rules/RuleFile.h"

#include <iconv.h>

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

// Bytes in well-formed UTF-8 sequences of more than one byte, and bytes that
// belong to none.
struct Utf8Census {
  size_t multiByte = 0;
  size_t stray = 0;
};

Utf8Census CountUtf8(std::string_view text) {
  Utf8Census census;
  for (size_t i = 0; i < text.size();) {
    const size_t valid = FirstInvalidUtf8(text.substr(i));
    const size_t end = valid == std::string_view::npos ? text.size() : i + valid;
    for (; i < end; ++i) census.multiByte += static_cast<unsigned char>(text[i]) >= 0x80;
    if (i < text.size()) ++census.stray, ++i;
  }
  return census;
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

// The line, counted from 1, that holds the byte at offset; CR, LF and CR LF end a line.
size_t LineAt(std::string_view bytes, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset && i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++line;
  }
  return line;
}

bool LooksUtf16(std::string_view bytes) {
  const auto mark = bytes.substr(0, 2);
  return mark == "\xFF\xFE" || mark == "\xFE\xFF" || bytes.find('\0') != std::string_view::npos;
}

}  // namespace

DecodedRuleText DecodeRuleBytes(const std::string& bytes, const std::string& fileName) {
  if (LooksUtf16(bytes)) {
    const size_t nul = bytes.find('\0');
    const size_t line = LineAt(bytes, nul == std::string::npos ? 0 : nul);
    throw RuleFileError(Tr("the rule file %s is UTF-16 text: save the file as UTF-8", {fileName}), line, true);
  }
  const size_t invalid = FirstInvalidUtf8(bytes);
  if (invalid == std::string::npos) return {bytes, RuleFileEncoding::Utf8};
  // GB18030 text holds two-byte pairs that happen to be UTF-8 (说 is CB B5), but
  // far fewer than pairs that are not; UTF-8 with a stray byte is the reverse.
  size_t failedAt = invalid;
  const Utf8Census census = CountUtf8(bytes);
  if (census.multiByte < census.stray) {
    Gb18030Result gb = DecodeGb18030(bytes);
    if (gb.failedAt == std::string::npos) return {std::move(gb.text), RuleFileEncoding::Gb18030};
    failedAt = gb.failedAt;
  }
  const size_t line = LineAt(bytes, failedAt);
  throw RuleFileError(Tr("line %s of the rule file %s is not UTF-8 text: save the file as UTF-8",
                         {std::to_string(line), fileName}),
                      line);
}

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

RuleFileContents LoadRuleFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RuleFileError(std::string(Tr("cannot read the rule file")) + " " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  const DecodedRuleText decoded = DecodeRuleBytes(text.str(), path.string());
  return {ParseRuleText(decoded.text), decoded.encoding};
}

void SaveRuleFile(const std::filesystem::path& path, const std::vector<std::string>& rules) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& rule : rules) out << rule << '\n';
  out.flush();
  if (!out) throw RuleFileError(std::string(Tr("cannot write the rule file")) + " " + path.string());
}

}  // namespace sheetwise::rules

#include "rules/RuleFileEncoding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "host/Translate.h"
#include "rules/CharsetDetector.h"
#include "rules/ParsedRule.h"
#include "rules/TextCodec.h"
#include "rules/Utf8Text.h"
#include "host/AsciiCase.h"

namespace sheetwise::rules {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// An ideograph or Hangul syllable that the encoding's core set holds, given
// its bytes in that encoding: the common tier of the national standard the
// encoding carries (GB 2312, Big5 level 1, JIS X 0208 level 1, the Hangul of
// KS X 1001; Korean text seldom holds ideographs at all).
// Whether b is one two-byte character (lead byte first) from first to last
// whose trail byte is at least trailFrom.
bool InBlock(std::string_view b, unsigned first, unsigned last, unsigned trailFrom = 0) {
  if (b.size() != 2) return false;
  const unsigned code = static_cast<unsigned char>(b[0]) << 8 | static_cast<unsigned char>(b[1]);
  return code >= first && code <= last && (code & 0xFF) >= trailFrom;
}
bool Gb2312Hanzi(std::string_view b) { return InBlock(b, 0xB0A1, 0xF7FE, 0xA1); }
bool Big5LevelOne(std::string_view b) { return InBlock(b, 0xA440, 0xC67E); }
bool KsHangul(std::string_view b) { return InBlock(b, 0xB0A1, 0xC8FE, 0xA1); }
bool JisLevelOne(std::string_view b) { return InBlock(b, 0x889F, 0x9872); }

struct Decoder {
  std::string_view iconvName;  // empty: UTF-8, checked here
  std::string_view shown;
};

// A family of encodings weighed as one reading.
struct Family {
  std::array<Decoder, 2> decoders;  // tried in order; the first that reads the whole file is used
  bool (*coreCharacter)(std::string_view encoded);  // nullptr: UTF-8
  std::string_view names;  // names users and the detector give it, lower case, separated by spaces
};

// The families' places in Families().
constexpr size_t kUtf8 = 0, kGb18030 = 1;

const std::array<Family, 5>& Families() {
  static const std::array<Family, 5> families{{
      {{{{"", "UTF-8"}, {}}}, nullptr, " utf-8 utf8 "},
      {{{{"GB18030", "GB18030"}, {"CP936", "GBK (CP936)"}}}, Gb2312Hanzi,
       " gb18030 gbk gb2312 cp936 windows-936 hz-gb-2312 "},
      {{{{"CP950", "Big5"}, {}}}, Big5LevelOne, " big5 cp950 euc-tw "},
      {{{{"CP932", "Shift-JIS"}, {}}}, JisLevelOne, " shift-jis shift_jis sjis cp932 windows-31j "},
      {{{{"CP949", "EUC-KR"}, {}}}, KsHangul, " euc-kr cp949 uhc "},
  }};
  return families;
}

// The family a user's name or a shown name ("GBK (CP936)") stands for.
const Family* FamilyNamed(const std::string& name) {
  const std::string key = " " + host::AsciiLower(name) + " ";
  for (const auto& family : Families()) {
    if (family.names.find(key) != std::string_view::npos) return &family;
    for (const Decoder& decoder : family.decoders) {
      if (!decoder.shown.empty() && host::AsciiLower(std::string(decoder.shown)) == host::AsciiLower(name)) return &family;
    }
  }
  return nullptr;
}

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

// The line, counted from 1, that holds the byte at offset; CR, LF and CR LF end a line.
size_t LineAt(std::string_view bytes, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset && i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) ++line;
  }
  return line;
}

struct Decoded {
  std::string text;
  std::string_view shown;
  size_t failedAt = std::string::npos;
};

Decoded DecodeWith(const Decoder& decoder, std::string_view bytes) {
  if (decoder.iconvName.empty()) {
    return {std::string(bytes), decoder.shown, FirstInvalidUtf8(bytes)};
  }
  const auto codec = TextCodec::Open("UTF-8", std::string(decoder.iconvName));
  if (!codec) return {"", decoder.shown, 0};
  auto result = codec->convert(bytes);
  return {std::move(result.text), decoder.shown, result.failedAt};
}

// The family's first decoder that reads the whole file, else the failure of the first.
Decoded DecodeFamily(const Family& family, std::string_view bytes) {
  Decoded first = DecodeWith(family.decoders[0], bytes);
  if (first.failedAt == std::string::npos || family.decoders[1].shown.empty()) return first;
  Decoded second = DecodeWith(family.decoders[1], bytes);
  return second.failedAt == std::string::npos ? second : first;
}

bool IsIdeographOrHangul(char32_t cp) {
  return (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

enum class Likelihood { Common, Rare, Implausible };

// What a character other than an ideograph says of a reading: letters, digits,
// punctuation and symbols of everyday text are common; letters of other
// alphabets rare; control and private-use characters, stray combining marks,
// modifier letters and half-width katakana (what GBK bytes read as in
// Shift-JIS) appear in no rule file.
Likelihood CharacterLikelihood(char32_t cp) {
  if (cp == '\t' || cp == '\r' || cp == '\n' || (cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF)) {
    return Likelihood::Common;
  }
  if (cp < 0xA0 || (cp >= 0x250 && cp <= 0x36F) || (cp >= 0xE000 && cp <= 0xF8FF) || cp >= 0xF0000 ||
      (cp >= 0xFFF0 && cp <= 0xFFFF) || (cp >= 0xD800 && cp <= 0xDFFF) || (cp >= 0xFF61 && cp <= 0xFF9F)) {
    return Likelihood::Implausible;
  }
  const bool greek = cp >= 0x391 && cp <= 0x3C9;
  const bool cyrillic = cp == 0x401 || cp == 0x451 || (cp >= 0x410 && cp <= 0x44F);
  const bool symbols = cp >= 0x2000 && cp <= 0x2BFF;  // punctuation, currency, arrows, shapes, ...
  const bool cjkMarks = cp >= 0x3000 && cp <= 0x33FF;  // CJK punctuation, kana, bopomofo, units
  const bool hangul = cp >= 0xAC00 && cp <= 0xD7A3;
  const bool fullWidth = (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF01 && cp <= 0xFF60) ||
                         (cp >= 0xFFE0 && cp <= 0xFFE6);
  return greek || cyrillic || symbols || cjkMarks || hangul || fullWidth ? Likelihood::Common : Likelihood::Rare;
}

// A whole file's reading in one family, weighed.
struct Reading {
  const Family* family = nullptr;
  Decoded decoded;
  size_t common = 0;
  size_t rare = 0;
  bool implausible = false;

  // Valid UTF-8 is evidence in itself, and so is being the only reading there
  // is; otherwise a legacy reading needs no more rare characters than common ones.
  bool plausible(bool only) const {
    return !implausible && (only || family == &Families()[kUtf8] || rare <= common);
  }
};

Reading Weigh(const Family& family, Decoded decoded) {
  Reading reading{&family, std::move(decoded)};
  const std::string_view text = reading.decoded.text;
  const auto encoder =
      family.coreCharacter ? TextCodec::Open(std::string(family.decoders[0].iconvName), "UTF-8") : std::nullopt;
  for (size_t i = 0; i < text.size() && !reading.implausible;) {
    const size_t start = i;
    const char32_t cp = NextCodePoint(text, i);
    if (cp < 0x80) continue;
    Likelihood likelihood = CharacterLikelihood(cp);
    if (IsIdeographOrHangul(cp)) {
      const bool core = encoder ? family.coreCharacter(encoder->convert(text.substr(start, i - start)).text)
                                : (cp >= 0x4E00 && cp <= 0x9FFF) || cp >= 0xAC00;
      likelihood = core ? Likelihood::Common : Likelihood::Rare;
    }
    reading.implausible = likelihood == Likelihood::Implausible;
    (likelihood == Likelihood::Common ? reading.common : reading.rare) += 1;
  }
  return reading;
}

// The first line holding a character beyond ASCII, as quoted in a refusal.
std::string SampleLine(std::string_view text) {
  const auto it = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  const size_t at = static_cast<size_t>(it - text.begin());
  const size_t begin = at == text.size() ? 0 : text.find_last_of("\r\n", at) + 1;
  const size_t end = text.find_first_of("\r\n", begin);
  return Quoted(text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}

DecodedRuleText Take(Reading& reading, bool amongOthers) {
  return {std::move(reading.decoded.text), std::string(reading.decoded.shown), amongOthers};
}

// Among equally good readings: the detector's answer, else UTF-8, else GB18030.
Reading* Preferred(std::vector<Reading*>& best, std::string_view bytes) {
  if (best.size() == 1) return best.front();
  const Family* detected = FamilyNamed(DetectCharset(bytes));
  for (const Family* family : {detected, &Families()[kUtf8], &Families()[kGb18030]}) {
    for (Reading* reading : best) {
      if (reading->family == family) return reading;
    }
  }
  return nullptr;
}

DecodedRuleText DecodeDetected(const std::string& bytes, const std::string& fileName) {
  std::vector<Reading> readings;
  for (const auto& family : Families()) {
    Decoded decoded = DecodeFamily(family, bytes);
    if (decoded.failedAt == std::string::npos) readings.push_back(Weigh(family, std::move(decoded)));
  }
  const bool only = readings.size() == 1;
  std::erase_if(readings, [only](const Reading& reading) { return !reading.plausible(only); });
  if (readings.empty()) {
    // Valid UTF-8, the format the program writes, is never refused for its characters.
    const size_t invalid = FirstInvalidUtf8(bytes);
    if (invalid == std::string::npos) return {bytes, "UTF-8"};
    const size_t line = LineAt(bytes, invalid);
    throw RuleFileError(Tr("line %s of the rule file %s is not UTF-8 text: save the file as UTF-8",
                           {std::to_string(line), fileName}),
                        line);
  }
  const size_t fewest =
      std::min_element(readings.begin(), readings.end(), [](auto& a, auto& b) { return a.rare < b.rare; })->rare;
  std::vector<Reading*> best;
  for (auto& reading : readings) {
    if (reading.rare == fewest) best.push_back(&reading);
  }
  if (Reading* chosen = Preferred(best, bytes)) return Take(*chosen, readings.size() > 1);
  std::string named;
  std::vector<std::string> candidates;
  for (const Reading* reading : best) {
    candidates.emplace_back(reading->decoded.shown);
    named += (named.empty() ? "" : ", ") + candidates.back() + " \"" + SampleLine(reading->decoded.text) + "\"";
  }
  throw RuleFileError(
      Tr("the rule file %s reads as text in more than one encoding (%s), and which one is right cannot be told: "
         "save the file as UTF-8",
         {fileName, named}),
      0, false, std::move(candidates));
}

DecodedRuleText DecodeNamed(const std::string& bytes, const std::string& fileName, const std::string& chosen) {
  const Family* family = FamilyNamed(chosen);
  std::string_view rest(bytes);
  Decoded decoded;
  if (family == &Families()[kUtf8] && rest.starts_with(kUtf8Mark)) rest.remove_prefix(kUtf8Mark.size());
  if (family) {
    decoded = DecodeFamily(*family, rest);
  } else {
    const auto shown = KnownEncoding(chosen);
    if (!shown) throw RuleFileError(Tr("there is no encoding named \"%s\"", {chosen}));
    decoded = DecodeWith({chosen, *shown}, rest);
  }
  if (decoded.failedAt != std::string::npos) {
    const size_t line = LineAt(rest, decoded.failedAt);
    throw RuleFileError(Tr("line %s of the rule file %s is not %s text",
                           {std::to_string(line), fileName, std::string(decoded.shown)}),
                        line);
  }
  return {std::move(decoded.text), std::string(decoded.shown)};
}

}  // namespace

std::optional<std::string> KnownEncoding(const std::string& name) {
  if (const Family* family = FamilyNamed(name)) return std::string(family->decoders[0].shown);
  if (name.empty() || !TextCodec::Open("UTF-8", name)) return std::nullopt;
  std::string shown = name;
  for (char& c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return shown;
}

DecodedRuleText DecodeRuleBytes(const std::string& bytes, const std::string& fileName, const std::string& chosen) {
  if (!chosen.empty()) return DecodeNamed(bytes, fileName, chosen);
  const std::string_view start = std::string_view(bytes).substr(0, 3);
  if (start.starts_with(kUtf8Mark)) return DecodeNamed(bytes, fileName, "utf-8");
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) return DecodeNamed(bytes, fileName, "UTF-16");
  if (bytes.find('\0') != std::string::npos) {
    const size_t line = LineAt(bytes, bytes.find('\0'));
    throw RuleFileError(Tr("the rule file %s is UTF-16 text: save the file as UTF-8", {fileName}), line, true);
  }
  if (std::ranges::all_of(bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return {bytes, "UTF-8"};
  return DecodeDetected(bytes, fileName);
}

}  // namespace sheetwise::rules

#include "rules/RuleFileEncoding.h"

#include <gtest/gtest.h>

#include "rules/ParsedRule.h"
#include "rules/TextCodec.h"

namespace sheetwise::rules {
namespace {

// text (UTF-8) as an editor saves it in encoding (an iconv name).
std::string Saved(const std::string& text, const std::string& encoding) {
  const auto result = TextCodec::Open(encoding, "UTF-8")->convert(text);
  EXPECT_TRUE(result.ok()) << text << " in " << encoding;
  return result.text;
}

// What the bytes read as: "ENCODING: text", or "refused: candidates" / "refused at line N".
std::string Reading(const std::string& bytes, const std::string& chosen = {}) {
  try {
    const auto decoded = DecodeRuleBytes(bytes, "r.txt", chosen);
    return decoded.encoding + ": " + decoded.text;
  } catch (const RuleFileError& e) {
    std::string refusal = "refused";
    for (const auto& candidate : e.candidates) refusal += " " + candidate;
    if (e.line) refusal += " at line " + std::to_string(e.line);
    return refusal;
  }
}

// A file read in any other encoding than the one it was saved in writes wrong text into workbooks.
TEST(RuleFileEncoding, EachFileIsReadInTheEncodingItWasSavedIn) {
  const std::string real = "7|B|一\r\n8|C|100元\r\n{行距}|3|30\r\n{表名}|日报\r\n";
  const struct {
    std::string text, savedAs, readAs;
  } cases[] = {
      // Short GBK lines whose bytes are also valid UTF-8 (一 is D2 BB, U+04BB in UTF-8).
      {"7|B|一\n", "CP936", "GB18030"}, {"8|C|100元\n", "CP936", "GB18030"}, {"3|C|女\n", "CP936", "GB18030"},
      {"3|C|女\n4|C|男\n5|C|女\n", "CP936", "GB18030"}, {"2|C|单位：元\n", "CP936", "GB18030"},
      {"5|D|说明\n6|D|台\n7|D|十\n8|D|千\n", "CP936", "GB18030"},
      {"{小偷}3|B|\n{小偷}3|D|\n{表名}|小偷\n", "CP936", "GB18030"}, {real, "CP936", "GB18030"},
      {real, "GB18030", "GB18030"}, {"3|B|𠮷野家\n", "GB18030", "GB18030"},  // a four-byte sequence
      {"4|B|100€\n", "CP936", "GBK (CP936)"},                                 // byte 0x80
      {real, "UTF-8", "UTF-8"}, {"3|B|Café\n4|B|Привет\n", "UTF-8", "UTF-8"},
      {"3|B|テスト\n", "CP932", "Shift-JIS"}, {"3|B|テスト\n4|B|東京都\n", "SHIFT_JIS", "Shift-JIS"},
      {"{表名}|月報\n", "CP950", "Big5"}, {"3|B|臺北市\n", "BIG5", "Big5"},
      // Korean: told from GBK (whose common characters share its bytes) by the detector, given a few lines.
      {"3|B|대한민국 서울특별시 중구\n4|B|한국어 문서입니다\n5|C|합계\n", "CP949", "EUC-KR"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Reading(Saved(c.text, c.savedAs)), c.readAs + ": " + c.text) << c.text << " saved as " << c.savedAs;
}

// A mark and --encoding decide before the evidence; a file no encoding reads plausibly, or several equally, is refused.
TEST(RuleFileEncoding, MarksAndChosenEncodingsComeFirstAndDoubtIsRefused) {
  const std::string gbk = Saved("3|C|女\n", "CP936");
  const struct {
    std::string bytes, chosen, read;
  } cases[] = {
      {"\xEF\xBB\xBF" "7|B|一\n", "", "UTF-8: 7|B|一\n"},
      {"\xEF\xBB\xBF" "1|A|x\n7|B|\xC4\xD0\n", "", "refused at line 2"},  // a mark on a file that is not UTF-8
      {"\xFF\xFE" + Saved("7|B|一\n", "UTF-16LE"), "", "UTF-16: 7|B|一\n"},
      {Saved("7|B|一\n", "UTF-16LE"), "", "refused at line 1"},  // no mark
      {gbk, "utf-8", "UTF-8: 3|C|\xC5\xAE\n"},
      {gbk, "shift-jis", "Shift-JIS: 3|C|ﾅｮ\n"},  // obeyed, however unlikely
      {Saved("3|B|𠮷\n", "GB18030"), "big5", "refused at line 1"},
      {Saved("3|B|テスト\n", "CP932"), "GBK", "GB18030: 3|B|僥僗僩\n"},
      {"\xEF\xBB\xBF" "1|A|x\n", "UTF-8", "UTF-8: 1|A|x\n"}, {"1|A|\xE9\n", "latin1", "LATIN1: 1|A|é\n"},
      // Valid UTF-8 is never refused for its characters (a C1 control here).
      {"1|A|\xC2\x85\n", "", "UTF-8: 1|A|\xC2\x85\n"},
      // UTF-8 with one stray byte (Cafés in Latin-1) reads as nothing plausible.
      {"{表名}|合计\r1|A|Caf\xE9s\n", "", "refused at line 2"},
      {"1|A|\xE4\xB8\xAD\n2|A|\xE4\xB8\n3|A|x\n", "", "refused at line 2"},
      // Big5 ideographs that are kana in EUC-KR (and private-use in GBK): no reading is clearly right.
      {"1|A|\xAA\xA1\xAA\xA2\n", "", "refused Big5 EUC-KR"},
  };
  for (const auto& c : cases) EXPECT_EQ(Reading(c.bytes, c.chosen), c.read) << Quoted(c.bytes) << " as " << c.chosen;
  EXPECT_EQ(KnownEncoding("gbk"), "GB18030");  // an unknown name is refused before any workbook: RuleFileInputTest
}

}  // namespace
}  // namespace sheetwise::rules

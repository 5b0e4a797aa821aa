#include "rules/ParsedRule.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TestPaths.h"
#include "rules/RuleFile.h"

namespace sheetwise::rules {
namespace {

using Lines = std::vector<std::string>;

// What a rule was read as, or why it was refused.
std::string Described(const ParsedRule& rule) {
  if (!rule.readable()) return "refused: " + rule.refusal;
  std::string text = "kind " + std::to_string(static_cast<int>(rule.kind)) + (rule.acts ? "" : " idle");
  if (rule.row) text += " row " + std::to_string(rule.row);
  if (rule.column) text += " column " + std::to_string(rule.column);
  const auto& c = rule.cells;
  if (rule.kind == RuleKind::MergeRange || rule.kind == RuleKind::ClearRange) {
    text += " cells " + std::to_string(c.firstRow) + "," + std::to_string(c.firstColumn) + "-" +
            std::to_string(c.lastRow) + "," + std::to_string(c.lastColumn);
  }
  if (rule.size) text += " size " + GeneralNumberText(rule.size);
  if (!rule.value.empty()) text += " \"" + rule.value + "\"";
  return text;
}

// A rule file's bytes loaded and read: one line per rule, the encoding when it is not
// UTF-8, or the file's refusal.
Lines ReadFile(const std::string& bytes, bool extraction) {
  test::TempDir dir;
  std::ofstream(dir / "r.txt", std::ios::binary) << bytes;
  Lines read;
  try {
    const auto file = LoadRuleFile(dir / "r.txt");
    if (file.encoding != "UTF-8") read.push_back(file.encoding);
    for (const auto& rule : ParseRules(file.rules, extraction)) read.push_back(Described(rule));
  } catch (const RuleFileError& e) {
    const bool advised = std::string(e.what()).find("save the file as UTF-8") != std::string::npos;
    read.push_back("file refused at line " + std::to_string(e.line) + (e.utf16 ? " as UTF-16" : "") +
                   (advised ? ", save as UTF-8" : ""));
  }
  return read;
}

// kinds: 0 InsertRows, 1 DeleteRows, 2 MergeRange, 3 ClearRange, 4 RenameSheet, 5 RowHeight,
// 6 ColumnWidth, 7 DeleteColumn, 8 ReplaceCell, 9 ExtractCell.
TEST(RuleReading, EachRuleIsReadStrictlyOrRefusedWithItsReason) {
  const std::string tenMegabytes(10 << 20, 'x');
  const struct {
    std::string bytes;
    Lines read;
    bool extraction = false;
  } cases[] = {
      // Rows are whole numbers of the sheet; "B" + "2:B20" is no longer rows 2 to 20.
      {"{删除行}|正行|2:B20\n{删除行}|正行|20\n{插入行}|整列|5\n",
       {"refused: the row must be a whole number from 1 to 1048576, not \"2:B20\"", "kind 1 row 20", "kind 0 idle row 5"}},
      {"0|A|x\n1048577|A|x\n2.5|B|x\n 7|B|x\n1048576|A|x\n",
       {"refused: the row must be a whole number from 1 to 1048576, not \"0\"",
        "refused: the row must be a whole number from 1 to 1048576, not \"1048577\"",
        "refused: the row must be a whole number from 1 to 1048576, not \"2.5\"",
        "refused: the row must be a whole number from 1 to 1048576, not \" 7\"", "kind 8 row 1048576 column 1 \"x\""}},
      // A cell rule's column is one character, "[" and on for the columns after Z, as the picker writes them.
      {"7|AB|x\n7|[|x\n7|b|x\n7||x\n7|@|x\n7|\xC5\x81|x\n",
       {"refused: the column of a cell rule is one character (A to Z, then [ for AA), not \"AB\"",
        "kind 8 row 7 column 27 \"x\"", "kind 8 row 7 column 34 \"x\"", "refused: the column is empty",
        "refused: column \"@\" does not exist", "kind 8 row 7 column 257 \"x\""}},
      {"{列距}|AA|12\n{列距}|A1|12\n{删除列}|整列|c\n{行距}|3|x\n",
       {"kind 6 column 27 size 12", "refused: the column must be letters from A to XFD, not \"A1\"",
        "kind 7 column 3", "refused: the row height is not a number: \"x\""}},
      // A refusal says how the rule is written: whole columns and rows by their first and last cells.
      {"{合并}|C8|b7\n{清空}|A|C\n{清空}|B7:C8|D9\n{合并}|3|5\n",
       {"kind 2 cells 7,2-8,3",
        "refused: not a cell address: \"A\"; whole columns are written by their first and last cells: "
        "{清空}|A1|C65536 (C1048576 in .xlsx and .ods)",
        "refused: not a cell address: \"B7:C8\" (a corner is a cell such as B7: {清空}|B7|D9)",
        "refused: not a cell address: \"3\"; whole rows are written by their first and last cells: "
        "{合并}|A3|IV5 (XFD5 in .xlsx and .ods)"}},
      // A "|" in a text makes one field too many; a missing field is named.
      {"1|A|a|b\n{表名}|汇|总\n{插入行}\n7|B|\n{插入行}|正行|5|\n",
       {"refused: the rule has 4 fields where its kind has 3 (ROW|COLUMN|TEXT): a text cannot hold \"|\"",
        "refused: the rule has 3 fields where its kind has 2 ({表名}|NAME): a text cannot hold \"|\"",
        "refused: the rule is too short: field 1 is missing after \"{插入行}\" (a rule of its kind is {插入行}|正行|ROW)",
        "kind 8 row 7 column 2",
        "refused: the rule has 4 fields where its kind has 3: {插入行}|正行|ROW, with nothing after the last field"}},
      // Extraction reads every entry as a cell; the row keeps its text.
      {"{小偷}05|B|\n{插入行}2|[|\n{小偷}5|B|x\n{小偷}5|B\n",
       {"kind 9 row 5 column 2 \"05\"", "kind 9 row 2 column 27 \"2\"",
        "refused: an extraction rule ends after its column's \"|\": {小偷}ROW|COLUMN|", "kind 9 row 5 column 2 \"5\""},
       true},
      {"{小偷}5|B|\n", {"refused: the row must be a whole number from 1 to 1048576, not \"{小偷}5\""}},
      // CR, LF and CR LF all end a line.
      {"1|A|one\r6|B|two\r\r{表名}|x\r\n2|A|y", {"kind 8 row 1 column 1 \"one\"", "kind 8 row 6 column 2 \"two\"",
                                                 "kind 4 \"x\"", "kind 8 row 2 column 1 \"y\""}},
      // UTF-8 with one Latin-1 byte (Cafés) is refused at its line, not read as GB18030.
      {"{表名}|合计\r1|A|Caf\xE9s\n", {"file refused at line 2, save as UTF-8"}},
      // GB18030 (合计, 说明: CB B5 is also a UTF-8 pair) is read as such, and said so.
      {"{\xB1\xED\xC3\xFB}|\xBA\xCF\xBC\xC6\n1|A|\xCB\xB5\xC3\xF7\n",
       {"GB18030", "kind 4 \"合计\"", "kind 8 row 1 column 1 \"说明\""}},
      // A byte order mark, blank lines and spaces around a text: the text is kept as it is.
      {"\xEF\xBB\xBF" "1|A| 中文 \r\n   \n\n", {"kind 8 row 1 column 1 \" 中文 \""}},
      // A four-byte GB18030 sequence; UTF-8 cut short, where GB18030 stops too.
      {"1|A|\x95\x34\xB2\x35\n", {"GB18030", "kind 8 row 1 column 1 \"𠮷\""}},
      {"1|A|\xE4\xB8\xAD\n2|A|\xE4\xB8\n3|A|x\n", {"file refused at line 2, save as UTF-8"}},
      {std::string("\xFF\xFE" "1\0|\0A\0|\0x\0\n\0", 14), {"UTF-16", "kind 8 row 1 column 1 \"x\""}},
      {std::string("1\0|\0A\0|\0x\0", 10), {"file refused at line 1 as UTF-16, save as UTF-8"}},
      // A long text is read whole; a refusal quotes its field cut short.
      {"1|A|" + tenMegabytes + "\n{行距}|2|" + tenMegabytes + "\n",
       {"kind 8 row 1 column 1 \"" + tenMegabytes + "\"",
        "refused: the row height is not a number: \"" + tenMegabytes.substr(0, 60) + "…\""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadFile(c.bytes, c.extraction), c.read) << "case " << Quoted(c.bytes);
  }
}

TEST(RuleReading, QuotesCutBetweenCharacters) {
  EXPECT_EQ(Quoted(std::string(80, 'x')), std::string(80, 'x'));
  std::string chinese;
  for (int i = 0; i < 81; ++i) chinese += "字";
  const std::string cut = Quoted(chinese);
  EXPECT_EQ(cut, chinese.substr(0, 60 * 3) + "…");
}

}  // namespace
}  // namespace sheetwise::rules

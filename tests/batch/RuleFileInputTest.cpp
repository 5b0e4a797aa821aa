// Rule files as users have them (ANSI encodings, --encoding, a pipe, standard input), through the batch program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "cli/ReportReader.h"
#include "rules/TextCodec.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;

// text converted between encodings; a shell-quoted word.
std::string Convert(const std::string& text, const std::string& to, const std::string& from) {
  return rules::TextCodec::Open(to, from)->convert(text).text;
}
std::string Saved(const std::string& text, const std::string& encoding) { return Convert(text, encoding, "UTF-8"); }
std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A rule file read in the wrong encoding writes garbled text into every workbook.
TEST(RuleFileInput, EachEncodingWritesWhatTheUserWrote) {
  test::TempDir dir;
  test::CopyExample(dir, "src/a.xls");
  const std::string batch = Quoted(SHEETWISE_BATCH_BINARY);
  const std::string options = " --source " + Quoted(dir / "src") + " --save " + Quoted(dir / "out") + " --log " +
                              Quoted(dir / "l.log") + " --sheet Sheet1";
  std::ofstream(dir / "gbk.txt", std::ios::binary) << Saved("7|B|一\n8|C|100元\n3|C|女\n4|D|𠮷野家\n", "GB18030");
  std::ofstream(dir / "cp936.txt", std::ios::binary) << Saved("4|B|100€\n", "CP936");
  std::ofstream(dir / "big5.txt", std::ios::binary) << Saved("3|C|女\n", "CP936");
  std::ofstream(dir / "sjis.txt", std::ios::binary) << Saved("3|B|テスト\n", "CP932");
  const struct {
    std::string command;  // run by the shell
    std::string said;     // on standard error, once
    std::map<std::pair<int, int>, std::string> cells;
  } cases[] = {
      {batch + " --rules " + Quoted(dir / "gbk.txt") + options, "gbk.txt was read as GB18030",
       {{{7, 2}, "一"}, {{8, 3}, "100元"}, {{3, 3}, "女"}, {{4, 4}, "𠮷野家"}}},
      {batch + " --rules " + Quoted(dir / "cp936.txt") + options, "cp936.txt was read as GBK (CP936)",
       {{{4, 2}, "100€"}}},
      // The user's word decides, against the evidence.
      {batch + " --encoding big5 --rules " + Quoted(dir / "big5.txt") + options, "big5.txt was read as Big5",
       {{{3, 3}, Convert(Saved("女", "CP936"), "UTF-8", "CP950")}}},
      // A process substitution, and standard input.
      {batch + " --rules <(cat " + Quoted(dir / "sjis.txt") + ")" + options, "was read as Shift-JIS",
       {{{3, 2}, "テスト"}}},
      {"printf '5|B|\\xcb\\xb5\\xc3\\xf7\\n' | " + batch + " --rules -" + options,
       "(standard input) was read as GB18030", {{{5, 2}, "说明"}}},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir / "out");
    auto program = test::StartProgram("/bin/bash", {"-c", c.command}, true);
    const std::string output = test::ReadOutput(program);
    EXPECT_EQ(test::WaitForExit(program.pid), 0) << c.command << "\n" << output;
    EXPECT_EQ(test::CountOf(output, c.said), 1u) << c.command << "\n" << output;
    const auto sheet = test::ReadWithXlrd(dir / "out/a.xls").sheets.at(0);
    for (const auto& [at, text] : c.cells)
      EXPECT_EQ(sheet.value(at.first, at.second), text) << c.command << " at " << at.first << "," << at.second;
  }
}

// Doubtful encodings, endless devices, unknown encodings, huge (sparse) reports: refused before any workbook.
TEST(RuleFileInput, RefusedBeforeAnyWorkbookSayingWhatToDo) {
  test::TempDir dir;
  test::CopyExample(dir, "src/a.xls");
  std::ofstream(dir / "doubt.txt", std::ios::binary) << "1|A|\xAA\xA1\xAA\xA2\n";
  std::ofstream(dir / "rules.txt") << "2|B|edited\n";
  std::ofstream(dir / "big.csv").close();
  fs::resize_file(dir.path() / "big.csv", kMaxReportBytes + 1);
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"--rules", dir / "doubt.txt"},
       {"reads as text in more than one encoding (Big5 \"1|A|", "EUC-KR \"1|A|ぁあ\"",
        "(--encoding NAME reads the rule file"}},
      {{"--rules", "/dev/zero"}, {"the rule file /dev/zero is larger than 64 MB"}},
      {{"--rules", dir / "doubt.txt", "--encoding", "klingon"}, {"--encoding: there is no encoding named \"klingon\""}},
      {{"--rules", dir / "rules.txt", "--resume", dir / "big.csv"},
       {"sheetwise-batch: --resume: " + dir / "big.csv" +
        " is larger than 1024 MB: no report of sheetwise-batch is that large\n"}},
  };
  for (const auto& [extra, said] : cases) {
    const auto run =
        test::RunBatch(test::Plus({"--source", dir / "src", "--save", dir / "out", "--log", dir / "log"}, extra));
    EXPECT_EQ(run.status, 2) << extra[1];
    for (const auto& text : said) EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
}

}  // namespace
}  // namespace sheetwise::batch

// The per-workbook report: its rows as written, and whole runs whose workbooks
// end every way, read back row by row.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchRun.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "Unprivileged.h"
#include "XlsSnapshot.h"
#include "batch/FolderScan.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RunReport, RowsAreQuoted) {
  const ReportRow row{"/d/a,b.xls", ReportOutcome::Failed, "", "cell \"A1\" is\nodd", {"B2: 1 → 2", "C3"}, 1.5};
  EXPECT_EQ(CsvReportRow(row), "\"/d/a,b.xls\",failed,,\"cell \"\"A1\"\" is\nodd\",\"B2: 1 → 2\nC3\",1.50\r\n");
  EXPECT_EQ(JsonReportRow(row),
            "{\"source\":\"/d/a,b.xls\",\"outcome\":\"failed\",\"output\":\"\",\"reason\":\"cell \\\"A1\\\" "
            "is\\nodd\",\"differences\":[\"B2: 1 → 2\",\"C3\"],\"seconds\":1.50}\n");
}

// A folder changed by a command (made read-only even for root, a small disk
// mounted on it) while this lives; made() says whether this system allowed it.
class FolderState {
 public:
  FolderState(const std::string& make, const std::string& undo) : undo_(undo) {
    made_ = std::system((make + " 2>/dev/null").c_str()) == 0;
  }
  ~FolderState() {
    if (made_) (void)!std::system(undo_.c_str());
  }
  bool made() const { return made_; }

 private:
  std::string undo_;
  bool made_ = false;
};

// Every way a workbook can end, in one tree, with every option and two offices
// side by side. The office's own lock and temporary names are longer than the
// copy's: a name near the file system's limit is still saved, one past it is
// refused.
TEST(RunReport, OneRowPerWorkbookInQueueOrderWithItsReason) {
  TempDir dir;
  const fs::path src = dir.path() / "src";
  const fs::path out = dir.path() / "out";
  const std::time_t now = std::time(nullptr);
  char today[11];
  std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
  const std::string prefix = today + std::string("_");  // 11 bytes
  const std::string nearLimit = std::string(239, 'n') + ".xls";  // 254 bytes with the prefix
  const std::string pastLimit = std::string(245, 'p') + ".xls";  // 260 bytes with the prefix
  test::WriteTableWorkbook(src / "a_ok.XLS", "Name,Amount\nok,1\n");
  test::WriteTableWorkbook(src / "old_dept/b_veto.xls", "Other,Amount\nno,2\n");
  test::WriteTableWorkbook(src / "c_nosheet.xls", "Name,Amount\nok,3\n", "Data");
  test::WriteTableWorkbook(src / "d_inuse.xls", "Name,Amount\nok,4\n");
  dir.copyFixture("full.xls", "src/e_full.xls");  // no row can be inserted: a rule that cannot act on it
  std::ofstream(src / "f_text.xls") << "just text\n";
  test::WriteTableWorkbook(src / "old_locked/f.xls", "Name,Amount\nok,5\n");
  test::WriteTableWorkbook(src / "old_full/g.xls", "Name,Amount\nok,6\n");
  fs::create_symlink(src / "gone.xls", src / "g_link.xls");
  test::WriteTableWorkbook(src / nearLimit, "Name\nok\n");
  test::WriteTableWorkbook(src / pastLimit, "Name\nok\n");
  test::WriteTableWorkbook(src / "\xB1\xA8\xB1\xED.xls", "Name\nok\n");  // "报表" in GBK, not UTF-8
  const std::string locked = out / "new_locked";
  const std::string disk = out / "new_full";
  fs::create_directories(locked);
  fs::create_directories(disk);
  std::ofstream(out / (".~lock." + prefix + "d_inuse.xls#")) << ",li,desk-2,01.02.2026 09:00,file:///home/li;";
  const FolderState full("mount -t tmpfs -o size=256k tmpfs '" + disk + "'", "umount '" + disk + "'");
  if (full.made()) {
    // Leave a few kilobytes: less than any workbook the office writes.
    std::ofstream filler(disk + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 62 && filler; ++i) filler << block << std::flush;
  }
  const FolderState readOnly("chattr +i '" + locked + "'", "chattr -i '" + locked + "'");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n{插入行}|正行|2\n";

  const auto run = test::RunBatch({"--source", src, "--rules", dir / "rules.txt", "--save", out, "--sheet", "Sheet1",
                                   "--veto-row", "1", "--veto-col", "A", "--veto-value", "Name", "--prefix", "日期_",
                                   "--name-replace", ".XLS", ".xls", "--path-replace", "old_", "new_", "--jobs", "2",
                                   "--report", dir / "r.jsonl", "--log", dir / "run.log"});
  EXPECT_EQ(run.status, 1) << run.err;
  const Lines rows = SplitLines(ReadFile(dir / "r.jsonl"));
  const auto copy = [&](const std::string& name) { return (out / (prefix + name)).string(); };
  const std::string vetoed = (out / "new_dept" / (prefix + "b_veto.xls")).string();
  const struct {
    std::string source, outcome, output, reason;
  } expected[] = {
      {"g_link.xls", "skipped", "", "is a link to something that does not exist"},
      {"a_ok.XLS", "processed", copy("a_ok.xls"), ""},
      {"c_nosheet.xls", "failed", "", R"(the workbook has no sheet named \"Sheet1\")"},
      {"d_inuse.xls", "failed", "", "is open in another program (by li); close it there first"},
      {"e_full.xls", "failed", "",
       R"(rule 2 \"{插入行}|正行|2\": inserting rows at 2:2 would push data in the sheet's last rows)"},
      {"f_text.xls", "failed", "", "is a text file, not an Excel 97-2003 workbook"},
      {nearLimit, "processed", copy(nearLimit), ""},
      {pastLimit, "failed", "", "the name is too long for the file system (260 bytes, at most 255)"},
      {"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.xls", "failed", "",
       "the file name is not UTF-8 text, which the office cannot open; rename the file"},
      {"old_dept/b_veto.xls", "vetoed", vetoed, R"(cell A1 does not hold \"Name\")"},
      {"old_full/g.xls", "failed", "", "the disk is full"},
      {"old_locked/f.xls", "failed", "", "no permission to write into the folder " + locked},
  };
  ASSERT_EQ(rows.size(), std::size(expected)) << ReadFile(dir / "r.jsonl");
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& want = expected[i];
    if ((want.source == "old_locked/f.xls" && !readOnly.made()) || (want.source == "old_full/g.xls" && !full.made())) {
      continue;
    }
    const std::string start = "{\"source\":\"" + (src / want.source).string() + "\",\"outcome\":\"" + want.outcome +
                              "\",\"output\":\"" + want.output + "\",\"reason\":\"";
    const std::string name = "case " + want.source.substr(0, 20) + ": " + rows[i];
    EXPECT_EQ(rows[i].rfind(start, 0), 0u) << name;
    EXPECT_NE(rows[i].find(want.reason), std::string::npos) << name;
    EXPECT_NE(rows[i].find("\",\"differences\":[],\"seconds\":"), std::string::npos) << name;
  }
  // The copies as the rules made them; the veto leaves its workbook as it was.
  const auto a = test::ReadWithXlrd(copy("a_ok.xls")).sheets[0];
  EXPECT_EQ(a.value(1, 3), "edited");
  EXPECT_EQ(a.value(3, 1), "ok");
  const auto b = test::ReadWithXlrd(vetoed).sheets[0];
  EXPECT_EQ(b.value(1, 3), "");
  EXPECT_EQ(b.value(2, 1), "no");
  // The log lines in the queue's order, without their reasons, which went to
  // standard error beside them.
  const auto error = [&](const std::string& name) { return "处理异常：" + (src / name).string(); };
  const auto failed = [&](const std::string& name) {
    return "表头不匹配处理失败：<file/>" + (src / name).string() + "</file>";
  };
  Lines log = {error("c_nosheet.xls"), failed("d_inuse.xls"), failed("e_full.xls"), error("f_text.xls"),
               failed(pastLimit), error("\xB1\xA8\xB1\xED.xls"),
               "触发否决条件：<file/>" + (src / "old_dept/b_veto.xls").string() + "</file>"};
  if (full.made()) log.push_back(failed("old_full/g.xls"));
  if (readOnly.made()) log.push_back(failed("old_locked/f.xls"));
  Lines entries;  // without their date and time
  for (const auto& line : SplitLines(ReadFile(dir / "run.log"))) entries.push_back(line.substr(19, line.size() - 20));
  EXPECT_EQ(entries, log);
  EXPECT_NE(run.err.find(error("c_nosheet.xls") + "  (the workbook has no sheet named \"Sheet1\")"), std::string::npos)
      << run.err;
  if (!readOnly.made() || !full.made()) GTEST_SKIP() << "chattr or a small disk is not allowed here: not all checked";
  EXPECT_NE(run.err.find("3 processed (1 vetoed), 8 failed"), std::string::npos) << run.err;
  // Nothing but the copies beside the other program's lock.
  Lines written;
  for (const auto& [name, bytes] : test::FileBytes(out)) written.push_back(name);
  EXPECT_EQ(written, (Lines{".~lock." + prefix + "d_inuse.xls#", prefix + "a_ok.xls", prefix + nearLimit,
                            "new_dept/" + prefix + "b_veto.xls", "new_full/filler"}));
}

// A folder the scan cannot list says why (links to nothing and to themselves:
// FolderScan).
TEST(RunReport, AFolderThatCannotBeListedSaysWhy) {
  TempDir dir;
  const fs::path src = dir.path() / "src";
  fs::create_directories(src / "shut");
  fs::permissions(src / "shut", fs::perms::owner_write);
  for (const fs::path& folder : {dir.path(), src})
    fs::permissions(folder, fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
  const std::string said = test::AsUnprivileged([&] {
    std::string text;
    for (const auto& skipped : PassedOver({src.string() + "/", src.string() + "/shut/"})) text += skipped.reason + "\n";
    return text;
  });
  fs::permissions(src / "shut", fs::perms::owner_all);
  EXPECT_EQ(said, "skipped: no permission to open the folder " + (src / "shut").string() + "\n");
}

}  // namespace
}  // namespace sheetwise::batch

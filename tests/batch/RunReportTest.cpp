// The per-workbook report: its rows as written, and whole runs whose workbooks
// end every way, read back row by row.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BatchRun.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "Unprivileged.h"
#include "batch/FolderScan.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

// RFC 4180 records: quoted fields may hold commas, quotes and line breaks.
Rows ParseCsv(const std::string& text) {
  Rows rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.emplace_back(1);
      ++i;
    } else {
      rows.back().back() += c;
    }
  }
  if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
  return rows;
}

TEST(RunReport, RowsAreQuotedAndValidUtf8) {
  const ReportRow row{"/d/a,b.xls", ReportOutcome::Failed, "", "cell \"A1\" is\nodd", {"B2: 1 → 2", "C3"}, 1.5};
  EXPECT_EQ(CsvReportRow(row), "\"/d/a,b.xls\",failed,,\"cell \"\"A1\"\" is\nodd\",\"B2: 1 → 2\nC3\",1.50\r\n");
  EXPECT_EQ(JsonReportRow(row),
            "{\"source\":\"/d/a,b.xls\",\"outcome\":\"failed\",\"output\":\"\",\"reason\":\"cell \\\"A1\\\" "
            "is\\nodd\",\"differences\":[\"B2: 1 → 2\",\"C3\"],\"seconds\":1.50}\n");
  const ReportRow foreign{"/d/\xB1\xA8.xls", ReportOutcome::NotStarted, "", "", {}, 0};
  EXPECT_EQ(
      JsonReportRow(foreign).rfind("{\"source\":\"/d/\xEF\xBF\xBD\xEF\xBF\xBD.xls\",\"outcome\":\"not started\"", 0),
      0u);
  EXPECT_EQ(ParseCsv(CsvReportRow(foreign))[0][0], "/d/\xEF\xBF\xBD\xEF\xBF\xBD.xls");
}

// A folder even root cannot write into, while it lives.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const fs::path& folder) : folder_(folder) {
    made_ = std::system(("chattr +i '" + folder.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~ImmutableFolder() {
    if (made_) (void)!std::system(("chattr -i '" + folder_.string() + "'").c_str());
  }
  bool made() const { return made_; }

 private:
  fs::path folder_;
  bool made_ = false;
};

// Every way a workbook can end, in one tree, with two offices side by side.
TEST(RunReport, OneRowPerWorkbookInQueueOrderWithItsReason) {
  TempDir dir;
  const fs::path src = dir.path() / "src";
  const fs::path out = dir.path() / "out";
  test::WriteTableWorkbook(src / "a_ok.xls", "Name,Amount\nok,1\n");
  test::WriteTableWorkbook(src / "b_veto.xls", "Other,Amount\nno,2\n");
  test::WriteTableWorkbook(src / "c_nosheet.xls", "Name,Amount\nok,3\n", "Data");
  test::WriteTableWorkbook(src / "d_inuse.xls", "Name,Amount\nok,4\n");
  dir.copyFixture("full.xls", "src/e_full.xls");  // no row can be inserted: a rule that cannot act on it
  std::ofstream(src / "f_text.xls") << "just text\n";
  test::WriteTableWorkbook(src / "locked/f.xls", "Name,Amount\nok,5\n");
  fs::create_symlink(src / "gone.xls", src / "g_link.xls");
  fs::create_directories(out / "locked");
  std::ofstream(out / ".~lock.d_inuse.xls#") << ",li,desk-2,01.02.2026 09:00,file:///home/li;";
  const ImmutableFolder locked(out / "locked");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n{插入行}|正行|2\n";

  const auto run =
      test::RunBatch({"--source", src, "--rules", dir / "rules.txt", "--save", out, "--veto-row", "1", "--veto-col", "A",
                  "--veto-value", "Name", "--jobs", "2", "--report", dir / "r.csv", "--log", dir / "run.log"});
  EXPECT_EQ(run.status, 1) << run.err;
  const Rows rows = ParseCsv(ReadFile(dir / "r.csv"));
  ASSERT_EQ(rows.size(), 9u) << ReadFile(dir / "r.csv");
  EXPECT_EQ(rows[0], (std::vector<std::string>{"source", "outcome", "output", "reason", "differences", "seconds"}));
  const struct {
    fs::path source;
    const char* outcome;
    std::string output;
    std::string reason;
  } expected[] = {
      {src / "g_link.xls", "skipped", "", "is a link to something that does not exist"},
      {src / "a_ok.xls", "processed", (out / "a_ok.xls").string(), ""},
      {src / "b_veto.xls", "vetoed", (out / "b_veto.xls").string(), "cell A1 does not hold \"Name\""},
      {src / "c_nosheet.xls", "failed", "", "the workbook has no sheet named \"Sheet1\""},
      {src / "d_inuse.xls", "failed", "", "is open in another program (by li); close it there first"},
      {src / "e_full.xls", "failed", "",
       "rule 2 \"{插入行}|正行|2\": inserting rows at 2:2 would push data in the sheet's last rows"},
      {src / "f_text.xls", "failed", "", "is a text file, not an Excel 97-2003 workbook"},
      {src / "locked/f.xls", "failed", "", "no permission to write into the folder " + (out / "locked").string()},
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto& row = rows[i + 1];
    const auto& want = expected[i];
    ASSERT_EQ(row.size(), 6u);
    EXPECT_EQ(row[0], want.source.string());
    if (want.source.filename() == "f.xls" && !locked.made()) continue;  // no immutable folders here
    EXPECT_EQ(row[1], want.outcome) << row[0];
    EXPECT_EQ(row[2], want.output) << row[0];
    EXPECT_NE(row[3].find(want.reason), std::string::npos) << row[0] << ": " << row[3];
    EXPECT_EQ(row[4], "") << row[0];
    EXPECT_NE(row[5].find('.'), std::string::npos) << row[0];
  }
  if (!locked.made()) GTEST_SKIP() << "chattr cannot make a folder read-only here; the permission row was not checked";
  // The reasons went to standard error beside the log lines, which stay as they are.
  EXPECT_NE(run.err.find("(the workbook has no sheet named \"Sheet1\")"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(dir / "run.log").find("no sheet named"), std::string::npos);
}

TEST(RunReport, JsonLinesNameTheBadRule) {
  TempDir dir;
  test::WriteTableWorkbook(dir.path() / "src/a.xls", "Name,Amount\nok,1\n");
  test::WriteTableWorkbook(dir.path() / "src/b.xls", "Name,Amount\nok,2\n");
  std::ofstream(dir / "rules.txt") << "2|C|fine\n1|C|=1+*2\n";
  const auto run = test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--report",
                               dir / "r.jsonl", "--log", dir / "run.log", "--quiet"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("not a formula"), std::string::npos) << "--quiet: " << run.err;
  std::istringstream lines(ReadFile(dir / "r.jsonl"));
  std::string line;
  int count = 0;
  for (const char* name : {"a.xls", "b.xls"}) {
    ASSERT_TRUE(std::getline(lines, line));
    ++count;
    EXPECT_EQ(line.rfind("{\"source\":\"" + dir / "src/" + name + "\",\"outcome\":\"failed\",\"output\":\"\"", 0), 0u)
        << line;
    EXPECT_NE(line.find("\"reason\":\"rule 2 \\\"1|C|=1+*2\\\": not a formula the spreadsheet understands: =1+*2\""),
              std::string::npos)
        << line;
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(fs::exists(dir.path() / "out/a.xls"));
}

// The office's own lock and temporary names are longer than the target's: a
// name near the file system's limit is still saved, one past it is refused.
TEST(RunReport, NamesUpToTheLimitAreSavedLongerOnesSaySo) {
  TempDir dir;
  const std::string nearLimit = std::string(240, 'n') + ".xls";  // 254 bytes with the prefix
  const std::string pastLimit = std::string(246, 'p') + ".xls";  // 260 bytes with the prefix
  test::WriteTableWorkbook(dir.path() / "src" / nearLimit, "Name\nok\n");
  test::WriteTableWorkbook(dir.path() / "src" / pastLimit, "Name\nok\n");
  std::ofstream(dir / "rules.txt") << "1|B|edited\n";
  test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--prefix", "0123456789",
              "--report", dir / "r.csv", "--log", dir / "run.log"});
  const Rows rows = ParseCsv(ReadFile(dir / "r.csv"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][1], "processed") << rows[1][3];
  EXPECT_TRUE(fs::exists(dir.path() / "out" / ("0123456789" + nearLimit)));
  EXPECT_EQ(rows[2][1], "failed");
  EXPECT_NE(rows[2][3].find("the name is too long for the file system (260 bytes, at most 255)"), std::string::npos)
      << rows[2][3];
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()), 1);
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

// A file name in a legacy encoding (GBK "报表") is named as such.
TEST(RunReport, NamesThatAreNotUtf8SaySo) {
  TempDir dir;
  test::WriteTableWorkbook(dir.path() / "src" / "\xB1\xA8\xB1\xED.xls", "Name\nok\n");
  std::ofstream(dir / "rules.txt") << "1|B|edited\n";
  test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out", "--report", dir / "r.csv",
              "--log", dir / "run.log"});
  const Rows rows = ParseCsv(ReadFile(dir / "r.csv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], dir / "src/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.xls");
  EXPECT_EQ(rows[1][1], "failed");
  EXPECT_NE(rows[1][3].find("the file name is not UTF-8 text, which the office cannot open; rename the file"),
            std::string::npos)
      << rows[1][3];
}

// A save folder on a disk that fills up while the office writes.
TEST(RunReport, AFullDiskIsTheReasonAndNothingHalfWrittenStays) {
  TempDir dir;
  test::WriteTableWorkbook(dir.path() / "src/a.xls", "Name,Amount\nok,1\n");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n";
  const fs::path disk = dir.path() / "disk";
  fs::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "a small disk cannot be mounted here: " << std::strerror(errno);
  }
  {
    // Leave a few kilobytes: less than any workbook the office writes.
    std::ofstream filler(disk / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 62 && filler; ++i) filler << block << std::flush;
  }
  const auto run = test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", (disk / "out").string(),
                               "--report", dir / "r.csv", "--log", dir / "run.log"});
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(disk)) left.push_back(entry.path().filename().string());
  ::umount(disk.c_str());
  std::sort(left.begin(), left.end());
  const Rows rows = ParseCsv(ReadFile(dir / "r.csv"));
  ASSERT_EQ(rows.size(), 2u) << run.err;
  EXPECT_EQ(rows[1][1], "failed");
  EXPECT_NE(rows[1][3].find("the disk is full"), std::string::npos) << rows[1][3];
  EXPECT_EQ(left, (std::vector<std::string>{"filler", "out"})) << ::testing::PrintToString(left);
}

}  // namespace
}  // namespace sheetwise::batch

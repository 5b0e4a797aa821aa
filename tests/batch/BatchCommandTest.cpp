// The batch command end to end: bad arguments and plans refused before any file is touched; real trees, real office.

#include "cli/BatchCommand.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "BatchRun.h"
#include "BookSnapshot.h"
#include "CompoundFile.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "cli/RunReport.h"
#include "extract/CsvWriter.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::CountOf;
using test::Plus;
using test::ReadFile;
using test::RunBatch;
using Lines = std::vector<std::string>;
using test::SplitLines;

// Three workbooks in two folders, a link to one, a file that is no workbook; an empty save folder.
class BatchCommandTest : public ::testing::Test {
 protected:
  BatchCommandTest() {
    dir.copyFixture("sheets.xls", "src/a.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/b.xls");
    dir.copyFixture("second_active.xls", "src/old_dept/c.XLS");
    test::MakeBook("zip", dir / "src/old_dept/d.xls");
    fs::create_symlink("../a.xls", dir / "src/old_dept/link.xls");
    fs::create_directories(dir.path() / "linked");
    fs::create_directory_symlink(dir.path() / "src", dir.path() / "linked/up");
    fs::create_directory(dir.path() / "out");
    std::ofstream(dir / "rules.txt") << "\xEF\xBB\xBF" "1|C|edited\r\n\r\n{插入行}|正行|2\r\n";
    std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n{小偷}2|C|\n";
    std::ofstream(dir / "empty.txt") << "\n\n";
    std::ofstream(dir / "file.txt") << "x";
    std::ofstream(dir / "undecodable.txt") << "1|A|ok\n2|A|\xFF\xFF\n";  // which bytes: RuleFileEncoding
    std::ofstream(dir / "loose.txt") << "1|C|edited\n{删除行}|正行|2:B20\n";  // which rules: RuleReading
    std::ofstream(dir / "old.csv") << "source,outcome,output,reason,differences,seconds\r\n"
                                      "/x.xls,processed,,,,0.10\r\n";
    std::ofstream(dir / "notes.csv") << "name,amount\r\nli,3\r\n";
    std::ofstream(dir / "bad.jsonl") << "{\"source\":\"/x.xls\",\"outcome\":\"processed\",\"sha256\":\"\"}\n"
                                        "{\"source\":\n{}\n";
    std::ofstream(dir / "odd.csv") << std::string(kReportCsvHeader) + "\r\n/x.xls,done,,,,0,,,,\r\n";
    fs::create_hard_link(dir / "rules.txt", dir / "log.txt");
    files = test::FileBytes(dir.path());
  }
  Lines bare(Lines extra, const std::string& rules = "rules.txt") const {
    extra.insert(extra.begin(), {"--source", dir / "src", "--rules", dir / rules});
    return extra;
  }
  Lines with(Lines extra, const std::string& rules = "rules.txt") const {
    extra.insert(extra.begin(), {"--log", dir / "run.log"});
    return bare(extra, rules);
  }
  test::TempDir dir;
  std::map<std::string, std::string> files;
};

// A bad argument or plan found after the first workbook leaves a half-done run, or writes over the user's files.
TEST_F(BatchCommandTest, EachArgumentProblemIsFoundBeforeTheFirstWorkbook) {
  const std::string out = dir / "out";
  const std::string rules = dir / "rules.txt";
  const std::string preview = "sheetwise-batch: --preview edits into a temporary folder, prints what changed and "
                              "keeps nothing: leave out --save, --in-place";
  const std::pair<Lines, std::string> cases[] = {
      {{}, "--source DIR is required"}, {{"--source", dir / "src"}, "--rules FILE is required"},
      {with({}), "give --save DIR or --in-place"}, {with({"--save", out, "--in-place"}), "not both"},
      {with({"--save"}), "--save needs 1 value"}, {with({"--bogus"}), "unknown option \"--bogus\""},
      {with({"--save", out, "--jobs", "0"}), "--jobs needs a whole number"},
      {with({"--save", out, "--shard", "3/2"}), "K between 1 and N"},
      {with({"--save", out, "--shard", "2"}), "--shard needs K/N"},
      {with({"--save", out, "--types", "xls,csv"}), "--types: \"csv\" is no kind of workbook this program takes"},
      {{"--source", dir / "nowhere", "--rules", rules, "--save", out},
       "--source: the folder " + dir / "nowhere" + " does not exist"},
      {{"--source", dir / "src", "--rules", dir / "none.txt", "--save", out}, "none.txt does not exist"},
      {{"--source", dir / "src", "--rules", out, "--save", out}, "is a folder, not a rule file"},
      {with({"--save", out}, "undecodable.txt"), "line 2"},
      {with({"--save", out, "--dry-run"}, "loose.txt"),
       "rule 2 of the rule file " + dir / "loose.txt" + ", \"{删除行}|正行|2:B20\": the row must be a whole number"},
      {with({"--save", dir / "file.txt"}), "--save: " + dir / "file.txt" + " is a file, not a folder"},
      {with({"--save", dir / "no/out"}), "--save: the folder " + dir / "no" + " does not exist"},
      {with({"--save", out, "--veto-row", "1"}), "go together"},
      {with({"--save", out, "--veto-row", "x", "--veto-col", "A"}), "--veto-row needs a row number"},
      {with({"--save", out, "--veto-row", "1", "--veto-col", "a"}), "one capital column letter"},
      {with({"--save", out, "--veto-value", "Date"}), "--veto-value needs --veto-row and --veto-col"},
      // Sizes an office cannot run in, or no whole number of megabytes.
      {with({"--save", out, "--office-memory", "1023"}), "--office-memory needs at least 1024 (megabytes), not 1023"},
      {with({"--save", out, "--office-memory", "0"}), "--office-memory needs a whole number of at least 1, not \"0\""},
      {with({"--save", out, "--office-memory", "-2048"}), "at least 1, not \"-2048\""},
      {with({"--save", out, "--office-memory", "2GB"}), "at least 1, not \"2GB\""},
      {with({"--save", out, "--office-memory", "99999999999"}), "at least 1, not \"99999999999\""},
      {with({"--save", out, "--sheet", ""}), "--sheet needs a sheet name"},
      {with({"--save", out, "--sheet", "a/b"}), "no sheet can be named"},
      {with({"--extract", "--save", out}, "cells.txt"), "--extract only reads workbooks"},
      {with({"--extract", "--prefix", "x"}, "cells.txt"), "--extract neither tests a veto nor names files"},
      {with({"--extract"}), "rule 1 of the rule file is \"1|C|edited\""},
      {with({"--extract", "--resume", dir / "file.txt"}, "cells.txt"), "--resume goes with --save or --in-place"},
      {with({"--extract"}, "empty.txt"), "the rule list is empty: there is no cell to read"},
      {with({"--in-place", "--prefix", "日期_"}), "--in-place keeps every file name"},
      {with({"--save", out, "--source", dir / "src"}), "--source is given twice"},
      {with({"--save", out, "--output", dir / "x.csv"}), "goes with --extract only"},
      {with({"--save", out, "--name-replace", "", "b"}), "--name-replace needs a text to replace"},
      {with({"--save", out, "--path-replace", "out", "x"}), "--path-replace: \"out\" occurs in the save folder"},
      {bare({"--save", out, "--log", out}), "--log: " + out + " is a folder"},
      {with({"--save", out, "--report", dir / "no/r.csv"}), "--report: the folder " + dir / "no" + " does not exist"},
      {with({"--save", dir / "linked", "--path-replace", "linked/a", "linked/up/a"}),
       "outside the save folder, at " + dir / "linked/up/a.xls"},
      // Names that are no file names.
      {with({"--save", out, "--prefix", "../"}), "make \"../a.xls\" the name of the copy of " + dir / "src/a.xls"},
      {with({"--save", out, "--name-replace", "b", "x/"}), "make \"x/.xls\" the name of the copy of"},
      {with({"--save", out, "--name-replace", "a.xls", ""}), "make \"\" the name of the copy of " + dir / "src/a.xls"},
      {with({"--save", out, "--path-replace", "/a.xls", "/"}), "make \"\" the name of the copy of"},
      {with({"--save", out, "--path-replace", "/old_dept/", "/../../src/"}),  // the folder is made before any copy
       "the copy of " + dir / "src/old_dept/ outside the save folder"},
      {with({"--save", out, "--name-replace", "c.XLS", "b.xls"}), "the same copy " + dir / "out/old_dept/b.xls"},
      {with({"--save", dir / "src"}), "would write over " + dir / "src/a.xls" + ", which this run reads"},
      {with({"--save", out, "--report", dir / "run.log"}), "is the same file as " + dir / "run.log"},
      // Every file the run writes or resumes from, its report's save journal too.
      {bare({"--in-place", "--types", "xlsx", "--report", dir / "r.csv", "--log", dir / "r.saving.csv"}),
       "the file " + dir / "r.saving.csv" + ", which this run writes, is the same file as " + dir / "r.saving.csv"},
      {bare({"--save", out, "--resume", dir / "r.csv", "--log", dir / "r.csv"}),
       "the file " + dir / "r.csv" + ", which this run writes, is the same file as " + dir / "r.csv"},
      {with({"--in-place", "--types", "xlsx", "--report", dir / "r.csv", "--resume", dir / "r.saving.csv"}),
       "the file " + dir / "r.saving.csv" + ", which this run writes"},
      {with({"--extract", "--output", dir / "x.csv", "--report", dir / "x.csv"}, "cells.txt"),
       "the file " + dir / "x.csv" + ", which this run writes, is the same file as " + dir / "x.csv"},
      {bare({"--save", out, "--log", dir / "out/old_dept/b.xls"}), "is the same file as " + dir / "out/old_dept/b.xls"},
      {bare({"--extract", "--output", dir / "src/a.xls"}, "cells.txt"), "is the same file as " + dir / "src/a.xls"},
      {bare({"--save", out, "--log", dir / "log.txt", "--dry-run"}), "is the same file as " + rules},  // a hard link
      {with({"--in-place"}), "and " + dir / "src/old_dept/link.xls" + " the same copy"},  // one file, edited twice
      // Reports that cannot be resumed from.
      {with({"--save", out, "--resume", dir / "none.csv"}), "--resume: " + dir / "none.csv" + " does not exist"},
      {with({"--save", out, "--resume", dir / "src"}), "--resume: " + dir / "src" + " is a folder, not a file"},
      {with({"--save", out, "--resume", dir / "old.csv"}), "was written by an earlier version of sheetwise-batch"},
      {with({"--save", out, "--resume", dir / "notes.csv"}),
       "is not a report of sheetwise-batch: its first line is \"name,amount\""},
      {with({"--save", out, "--resume", dir / "bad.jsonl"}), "bad.jsonl is not a report of sheetwise-batch: line 2"},
      {with({"--save", out, "--resume", dir / "odd.csv"}), "odd.csv is not a report of sheetwise-batch: line 2"},
      // A preview saves nowhere and writes no file of its own.
      {bare({"--preview", "2", "--in-place"}), preview}, {bare({"--preview", "2", "--save", out}), preview},
      {bare({"--preview", "2", "--report", dir / "r.csv"}), preview},
      {bare({"--preview", "0"}), "sheetwise-batch: --preview needs a whole number of at least 1, not \"0\""},
      {bare({"--save", out, "--only", dir / "src/a.xls"}), "sheetwise-batch: --only PATH... goes with --preview N"},
      {bare({"--preview", "1", "--only", rules}), "sheetwise-batch: --only: " + rules + " is no workbook"},
      {bare({"--preview", "1", "--only"}), "sheetwise-batch: --only needs at least 1 value"},
      {bare({"--extract", "--changes-full"}),
       "sheetwise-batch: --changes-full goes with --save, --in-place or --preview"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(message);
    const auto result = RunBatch(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(message), std::string::npos) << "said: " << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::FileBytes(dir.path()), files);            // no log, no copy, nothing changed
    EXPECT_TRUE(fs::is_empty(dir.path() / "out"));            // not even a folder
  }
  EXPECT_EQ(RunBatch({"--help"}).status, 0);
}

// A copy onto a user's file in the source tree (also via a link) is refused; outside it a rerun replaces copies.
TEST(RunPlan, ACopyNeverLandsOnAFileOfTheSourceTree) {
  test::TempDir dir;
  dir.copyFixture("sheets.xls", "src/a.xls");
  dir.copyFixture("second_active.xls", "src/sub/a.xls");  // the user's, where the copy of src/a.xls would go
  fs::create_directory_symlink(dir / "src/sub", dir / "into");
  std::ofstream(dir / "rules.txt") << "1|C|edited\n";
  const auto files = test::FileBytes(dir.path());
  const auto run = [&](const std::string& save, const Lines& extra = {}) {
    return RunBatch(Plus({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", save, "--log", dir / "l"},
                         extra));
  };
  for (const std::string& save : {dir / "src/sub", dir / "into", dir / "src/sub/"}) {
    for (const Lines& extra : {Lines{}, Lines{"--dry-run"}}) {
      const auto refused = run(save, extra);
      EXPECT_EQ(refused.status, 2) << save;
      const std::string copy = save + (save.ends_with("/") ? "" : "/") + "a.xls";
      EXPECT_NE(refused.err.find("the copy of " + dir / "src/a.xls" + " would write over " + copy +
                                 ", a file that is already in the source folder's tree"),
                std::string::npos) << refused.err;
      EXPECT_EQ(test::FileBytes(dir.path()), files) << save;
    }
  }
  for (int i = 0; i < 2; ++i) {
    const auto again = run(dir / "out");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(test::ReadWithXlrd(dir / "out/a.xls").sheets[0].value(1, 3), "edited");
    EXPECT_EQ(test::ReadWithXlrd(dir / "out/sub/a.xls").sheets[0].value(1, 3), "edited");
  }
}

// Shards cover the queue once, parallel offices keep the CSV's order, locale and --shard auto come from the env.
TEST_F(BatchCommandTest, ShardsJobsAndTheEnvironmentKeepTheQueue) {
  const auto dry = [&](const Lines& extra) { return with(Plus({"--save", dir / "dry", "--dry-run"}, extra)); };
  std::multiset<std::string> shards;
  for (const char* shard : {"1/3", "2/3", "3/3"})
    for (const auto& line : SplitLines(RunBatch(dry({"--shard", shard})).out)) shards.insert(line);
  const Lines whole = SplitLines(RunBatch(dry({})).out);
  ASSERT_EQ(whole.size(), 5u);
  EXPECT_EQ(whole[0], (dir.path() / "src/a.xls").string() + "\t" + (dir.path() / "dry/a.xls").string());
  EXPECT_EQ(shards, std::multiset<std::string>(whole.begin(), whole.end()));
  for (const std::string jobs : {"1", "3"})
    RunBatch(with({"--extract", "--output", dir / (jobs + ".csv"), "--jobs", jobs}, "cells.txt"));
  EXPECT_EQ(ReadFile(dir / "3.csv"), ReadFile(dir / "1.csv"));
  const Lines csv = SplitLines(ReadFile(dir / "1.csv"));
  ASSERT_EQ(csv.size(), 9u);  // header + 2 cells x 4 workbooks; the exact text: CsvTexts

  const Lines veto = with({"--save", dir / "out", "--veto-row", "0", "--veto-col", "A"});
  const std::string second = RunBatch(dry({"--shard", "2/3"})).out;
  const std::string third = RunBatch(dry({"--shard", "3/3"})).out;
  ASSERT_FALSE(second.empty() || third.empty());
  const std::string chinese = "sheetwise-batch: --veto-row：第 0 行不存在（行号为 1 到 65536）";
  const Lines slurm = {"SLURM_ARRAY_JOB_ID=8812", "SLURM_ARRAY_TASK_ID=5", "SLURM_ARRAY_TASK_MIN=4",
                       "SLURM_ARRAY_TASK_MAX=6", "SLURM_ARRAY_TASK_COUNT=3", "SLURM_ARRAY_TASK_STEP=1"};
  const struct {
    Lines env, args;
    int status;
    std::string said;  // how the output starts
  } cases[] = {
      {{}, veto, 2, "sheetwise-batch: --veto-row: row 0 does not exist (rows are 1 to 65536)"},
      {{"LC_ALL=zh_CN.UTF-8"}, veto, 2, chinese},
      {{"LANGUAGE=zh_CN"}, veto, 2, chinese},
      {slurm, dry({"--shard", "auto/3"}), 0, third},  // task 5 modulo 3, plus 1; each variable's reading: ShardsTest
      {{"AWS_BATCH_JOB_ARRAY_INDEX=1", "AWS_BATCH_JOB_ID=a1b2:1"}, dry({"--shard", "auto/3"}), 0, second},
      {{}, dry({"--shard", "auto/3"}), 2, "sheetwise-batch: --shard auto/3 found no task index"},
  };
  const Lines unset = {"-u", "SLURM_ARRAY_TASK_ID",       "-u", "JOB_COMPLETION_INDEX", "-u",
                       "AWS_BATCH_JOB_ARRAY_INDEX", "-u", "LANGUAGE",             "LC_ALL=C.UTF-8"};
  for (const auto& c : cases) {
    const Lines command = Plus(Plus(unset, c.env), Plus({SHEETWISE_BATCH_BINARY}, c.args));
    auto program = test::StartProgram("/usr/bin/env", command, true);
    const std::string said = test::ReadOutput(program);
    EXPECT_EQ(test::WaitForExit(program.pid), c.status) << "case " << c.said;
    EXPECT_EQ(said.rfind(c.said, 0), 0u) << "case " << c.said << "\n  said: " << said;
  }
  EXPECT_FALSE(fs::exists(dir / "dry"));
}

// A missing office is said as the cause, not as a run that started (nor a package manager's command).
TEST_F(BatchCommandTest, AnOfficeThatCannotStartSaysWhyNotWhatToPress) {
  host::HostOptions missing;
  missing.officeProgramDir = dir.path() / "no-office/program";
  const auto run = RunBatch(with({"--save", dir / "out"}), missing);
  EXPECT_EQ(run.status, 1);
  const std::string& said = run.err;
  const std::string why = "LibreOffice is not installed: " + dir / "no-office/program/soffice is missing";
  EXPECT_NE(said.find("LibreOffice could not be started: " + why), std::string::npos) << said;
  EXPECT_EQ(said.find("开始"), std::string::npos) << said;
  EXPECT_EQ(said.find("apt-get"), std::string::npos) << said;
  EXPECT_EQ(test::FileBytes(dir.path()), files);
}

// A folder made read-only even for root, or a small disk mounted on it, while this lives (if allowed here).
struct FolderState {
  FolderState(const std::string& make, std::string undo_)
      : undo(std::move(undo_)), done(std::system((make + " 2>/dev/null").c_str()) == 0) {}
  ~FolderState() { (void)!(done && std::system(undo.c_str())); }
  bool made() const { return done; }
  std::string undo;
  bool done;
};

// Every way a workbook can end, every option, two offices: one report row each, in queue order, nothing else written.
TEST(RunReport, OneRowPerWorkbookInQueueOrderWithItsReason) {
  test::TempDir dir;
  const fs::path src = dir.path() / "src";
  const fs::path out = src / "old";
  const std::string prefix = "0123456789";
  const std::string nearLimit = std::string(240, 'n') + ".xls";  // 254 bytes with the prefix
  const std::string pastLimit = std::string(246, 'p') + ".xls";  // 260 bytes with the prefix
  const std::string gbk = "\xB1\xA8\xB1\xED.xls";  // "报表" in GBK, not UTF-8
  for (const std::string& name : Lines{"a_ok.XLS", "d_inuse.xls", "old_locked/f.xls", "old_full/g.xls", nearLimit,
                                       pastLimit, gbk})
    test::WriteTableWorkbook(src / name, "Name,Amount\nok,1\n");
  test::WriteTableWorkbook(src / "old_dept/b_veto.xls", "Other,Amount\nno,2\n");
  test::WriteTableWorkbook(out / "earlier.xls", "Other,Amount\nno,2\n");
  test::WriteTableWorkbook(src / "c_nosheet.xls", "Name,Amount\nok,3\n", "Data");
  test::WriteCompoundFile(src / "b_deep.xls", {{"Workbook", std::string(4096, 'x')}}, 40000);  // a crafted directory
  dir.copyFixture("full.xls", "src/e_full.xls");  // no row can be inserted: a rule that cannot act on it
  std::ofstream(src / "f_text.xls") << "just text\n";
  fs::create_symlink(src / "gone.xls", src / "g_link.xls");
  const std::string locked = out / "new_locked";
  const std::string disk = out / "new_full";
  for (const auto& folder : {locked, disk}) fs::create_directories(folder);
  std::ofstream(out / (".~lock." + prefix + "d_inuse.xls#")) << ",li,desk-2,01.02.2026 09:00,file:///home/li;";
  // A disk of 8 KB: less than any workbook the office writes.
  const FolderState full("mount -t tmpfs -o size=8k tmpfs '" + disk + "'", "umount '" + disk + "'");
  const FolderState readOnly("chattr +i '" + locked + "'", "chattr -i '" + locked + "'");
  // In GB18030: 1|C|edited, {插入行}|正行|2, {表名}|汇总, 1|A|中文, the longest cell text, a one-cell merge.
  const std::string longest(32767, 'x');
  std::ofstream(dir / "rules.txt") << "1|C|edited\r\n{\xB2\xE5\xC8\xEB\xD0\xD0}|\xD5\xFD\xD0\xD0|2\r\n"
                                      "{\xB1\xED\xC3\xFB}|\xBB\xE3\xD7\xDC\r\n1|A|\xD6\xD0\xCE\xC4\r\n2|B|" +
                                          longest + "\r\n{\xBA\xCF\xB2\xA2}|D7|D7\r\n";

  const auto run = test::RunBatch({"--source", src, "--rules", dir / "rules.txt", "--save", out, "--sheet", "Sheet1",
                                   "--veto-row", "1", "--veto-col", "A", "--veto-value", "Name", "--prefix", prefix,
                                   "--name-replace", ".XLS", ".xls", "--path-replace", "old_", "new_", "--jobs", "2",
                                   "--report", dir / "r.jsonl", "--log", dir / "run.log"});
  EXPECT_EQ(run.status, full.made() ? 75 : 1) << run.err;  // a full disk may have room on another try
  EXPECT_EQ(CountOf(run.err, "the rule file " + dir / "rules.txt" + " was read as GB18030\n"), 1u) << run.err;
  const Lines rows = SplitLines(ReadFile(dir / "r.jsonl"));
  const auto copy = [&](const std::string& name) { return (out / (prefix + name)).string(); };
  const std::string vetoed = (out / "new_dept" / (prefix + "b_veto.xls")).string();
  const struct {
    std::string source, outcome, output, reason;
  } expected[] = {
      {"g_link.xls", "skipped", "", "is a link to something that does not exist"},
      {"a_ok.XLS", "processed", copy("a_ok.xls"), ""},
      {"b_deep.xls", "failed", "", "its directory is nested more than 512 levels deep"},
      {"c_nosheet.xls", "failed", "", R"(the workbook has no sheet named \"Sheet1\")"},
      {"d_inuse.xls", "failed", "", "is open in another program (by li); close it there first"},
      {"e_full.xls", "failed", "",
       R"(rule 2 \"{插入行}|正行|2\": inserting rows at 2:2 would push data in the sheet's last rows)"},
      {"f_text.xls", "failed", "", "is a text file, not a workbook (.xls, .xlsx, .xlsm or .ods)"},
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
    if ((want.source == "old_locked/f.xls" && !readOnly.made()) || (want.source == "old_full/g.xls" && !full.made()))
      continue;
    const std::string start = "{\"source\":\"" + (src / want.source).string() + "\",\"outcome\":\"" + want.outcome +
                              "\",\"output\":\"" + want.output + "\",\"reason\":\"";
    const std::string name = "case " + want.source.substr(0, 20) + ": " + rows[i];
    EXPECT_EQ(rows[i].rfind(start, 0), 0u) << name;
    EXPECT_NE(rows[i].find(want.reason), std::string::npos) << name;
  }
  // The copies as the rules made them; the veto leaves its workbook as it was.
  const auto a = test::ReadWithXlrd(copy("a_ok.xls")).sheets[0];
  EXPECT_EQ((Lines{a.name, a.value(1, 1), a.value(1, 3), a.value(3, 1)}), (Lines{"汇总", "中文", "edited", "ok"}));
  EXPECT_EQ(a.value(2, 2), longest);
  EXPECT_TRUE(a.merges.empty());
  const auto b = test::ReadWithXlrd(vetoed).sheets[0];
  EXPECT_EQ(b.value(1, 3) + "|" + b.value(2, 1), "|no");
  const auto error = [&](const std::string& name) { return "处理异常：" + (src / name).string(); };
  EXPECT_NE(run.err.find(error("c_nosheet.xls") + "  (the workbook has no sheet named \"Sheet1\")"),
            std::string::npos) << run.err;
  if (!readOnly.made() || !full.made()) GTEST_SKIP() << "chattr or a small disk is not allowed here: not all checked";
  // The log lines in the queue's order, without the reasons that went to standard error beside them.
  const auto failed = [&](const std::string& name) {
    return "表头不匹配处理失败：<file/>" + (src / name).string() + "</file>";
  };
  Lines entries;  // without their date and time
  for (const auto& line : SplitLines(ReadFile(dir / "run.log"))) entries.push_back(line.substr(19, line.size() - 20));
  EXPECT_EQ(entries, (Lines{error("b_deep.xls"), error("c_nosheet.xls"), failed("d_inuse.xls"), failed("e_full.xls"),
                            error("f_text.xls"), failed(pastLimit), error(gbk),
                            "触发否决条件：<file/>" + (src / "old_dept/b_veto.xls").string() + "</file>",
                            failed("old_full/g.xls"), failed("old_locked/f.xls")}));
  EXPECT_NE(run.err.find("3 processed (1 vetoed), 9 failed"), std::string::npos) << run.err;
  // Nothing but the copies beside the other program's lock.
  Lines written;
  for (const auto& [name, bytes] : test::FileBytes(out)) written.push_back(name);
  EXPECT_EQ(written, (Lines{".~lock." + prefix + "d_inuse.xls#", prefix + "a_ok.xls", prefix + nearLimit, "earlier.xls",
                            "new_dept/" + prefix + "b_veto.xls"}));
}

// A formula-like text unguarded in a CSV runs when opened: it gets an apostrophe, a number does not, raw stays exact.
TEST(CsvTexts, FormulaLikeTextsAreGuardedUnlessRaw) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      // text, guarded field, raw field
      {"=HYPERLINK(\"http://x?\"&A2,\"click\")", "\"'=HYPERLINK(\"\"http://x?\"\"&A2,\"\"click\"\")\"",
       "\"=HYPERLINK(\"\"http://x?\"\"&A2,\"\"click\"\")\""},
      {"+cmd", "'+cmd", "+cmd"}, {"-1+2", "'-1+2", "-1+2"}, {"@SUM(A1)", "'@SUM(A1)", "@SUM(A1)"},
      {"\tx", "'\tx", "\tx"}, {"\rx", "\"'\rx\"", "\"\rx\""}, {"-3.5", "-3.5", "-3.5"}, {"+1e5", "+1e5", "+1e5"},
      {"-", "'-", "-"}, {"a=b", "a=b", "a=b"}, {"", "", ""},
  };
  for (const auto& [text, guarded, raw] : cases) {
    EXPECT_EQ(extract::CsvField(text), guarded) << "case " << text;
    EXPECT_EQ(extract::CsvField(text, extract::CsvTexts::Raw), raw) << "case " << text;
  }
  const ReportRow row{"/d/=a.xls", ReportOutcome::Failed, "", "-x", {"=B2"}, 0};
  EXPECT_EQ(CsvReportRow(row), "/d/=a.xls,failed,,'-x,'=B2,0.00,,,,,,,[]\r\n");
  EXPECT_EQ(CsvReportRow(row, extract::CsvTexts::Raw), "/d/=a.xls,failed,,-x,=B2,0.00,,,,,,,[]\r\n");

  test::TempDir dir;
  test::WriteTableWorkbook(dir.path() / "src/a.xls", "A,B,C,D\n-cmd,@SUM(1),+a,-2.5\n");
  std::ofstream(dir / "cells.txt") << "{小偷}2|A|\n{小偷}2|B|\n{小偷}2|C|\n{小偷}2|D|\n";
  const std::string book = dir / "src/a.xls";
  for (const bool raw : {false, true}) {
    const Lines args{"--source", dir / "src", "--rules", dir / "cells.txt", "--extract", "--log", dir / "l.log"};
    const auto run = RunBatch(Plus(args, raw ? Lines{"--csv-raw"} : Lines{}));
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string quote = raw ? "" : "'";
    EXPECT_EQ(run.out, "file,row,column,text\r\n" + book + ",2,1," + quote + "-cmd\r\n" + book + ",2,2," + quote +
                           "@SUM(1)\r\n" + book + ",2,3," + quote + "+a\r\n" + book + ",2,4,-2.5\r\n");
  }
}

// A report or CSV on a disk that fills: the run stops with 75 naming file and cause, keeping the last whole row.
TEST(RunReport, AnOutputOnAFullDiskStopsTheRunSayingWhy) {
  test::TempDir dir;
  const std::string full = dir / "full";
  fs::create_directory(full);
  const FolderState mounted("mount -t tmpfs -o size=8k tmpfs '" + full + "'", "umount '" + full + "'");
  if (!mounted.made()) GTEST_SKIP() << "a small disk cannot be mounted here";
  const auto fill = [&](const std::string& name) {  // writes name on the disk until the disk is full
    std::ofstream file(full + "/" + name, std::ios::binary);
    while (file << std::string(4096, 'f') << std::flush) {
    }
  };
  fill("filler");  // then one page of it freed
  fs::resize_file(full + "/filler", fs::file_size(full + "/filler") - 4096);
  // Rows of over 1200 bytes: three of them fill the page that is left.
  fs::path folder = dir.path() / "src";
  for (const char c : {'a', 'b', 'c', 'd', 'e'}) folder /= std::string(240, c);
  fs::create_directories(dir / "out");
  for (int i = 0; i < 6; ++i) dir.copyFixture("sheets.xls", (folder / ("w" + std::to_string(i) + ".xls")).string());
  std::ofstream(dir / "cells.txt") << "{小偷}1|A|\n{小偷}2|A|\n";
  const struct {
    std::string option, file, what;
  } cases[] = {{"--report", full + "/r.csv", "the report"}, {"--output", full + "/cells.csv", "the extraction CSV"}};
  const std::string stopped = "The run stopped: the workbooks not yet processed were not touched.";
  for (const auto& c : cases) {
    const bool report = c.option == "--report";
    const auto run = RunBatch({"--source", dir / "src", "--rules", dir / "cells.txt", "--extract", "--log",
                               dir / "l.log", "--report", report ? c.file : dir / "r.csv", "--output",
                               report ? dir / "cells.csv" : c.file});
    EXPECT_EQ(run.status, 75) << "case " << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(c.what + " cannot be written: the disk is full: no room to write " + c.file),
              std::string::npos)
        << "case " << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(stopped), std::string::npos) << "case " << c.what << ": " << run.err;
    const std::string written = ReadFile(c.file);
    EXPECT_GT(SplitLines(written).size(), 1u) << "case " << c.what;
    EXPECT_TRUE(written.ends_with("\r\n")) << "case " << c.what;
    fs::remove(c.file);
  }
  // The workbook the CSV could not take failed; those after it failed too or were not started.
  const Lines report = SplitLines(ReadFile(dir / "r.csv"));
  ASSERT_EQ(report.size(), 7u);
  EXPECT_NE(report[1].find(",processed,"), std::string::npos) << report[1];
  EXPECT_NE(report[2].find(",failed,,the extraction CSV cannot be written: the disk is full"), std::string::npos)
      << report[2];
  for (size_t i = 3; i < report.size(); ++i) {
    const bool failed = report[i].find(",failed,,the extraction CSV cannot be written") != std::string::npos;
    const bool notStarted = report[i].find(",not started,,the extraction CSV cannot be written") != std::string::npos;
    EXPECT_TRUE(failed || notStarted) << report[i];
  }

  // The error log on the now full disk: vetoed workbooks are processed, the user told once, the run ends with 75.
  fill("rest");
  std::ofstream(dir / "empty.txt") << "\n";
  const auto run = RunBatch({"--source", dir / "src", "--rules", dir / "empty.txt", "--save", dir / "out",
                             "--veto-row", "1", "--veto-col", "A", "--veto-value", "not there", "--log",
                             full + "/l.log", "--quiet"});
  EXPECT_NE(run.err.find("6 processed (6 vetoed), 0 failed"), std::string::npos) << run.err;
  EXPECT_EQ(run.status, 75) << run.err;
  const std::string told = "the error log cannot be written: the disk is full: no room to write " + full + "/l.log";
  EXPECT_NE(run.err.find(told), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(told), run.err.rfind(told)) << run.err;
}

// Linked folder loops, a pipe, a newline in a name: each workbook once, copied byte for byte into the mirrored tree.
TEST(BatchRun, EachWorkbookOnceWithItsReasonAndCopiedIntoTheMirroredTree) {
  test::TempDir dir;
  for (int i = 1; i <= 8; ++i) {
    const std::string folder = "src/f" + std::to_string(i);
    dir.copyFixture("sheets.xls", folder + "/b.xls");
    for (int j = 1; j <= 8; ++j) {
      if (j != i) fs::create_directory_symlink("../f" + std::to_string(j), dir / (folder + "/to" + std::to_string(j)));
    }
  }
  const Lines kinds{"kinds/B.XLSX", "kinds/c.xlsm", "kinds/deep/d.Ods"};
  for (const auto& name : kinds) dir.copyFixture("sheets.xls", "src/" + name);
  std::ofstream(dir / "src/kinds/e.csv") << "1,2\n";
  dir.copyFixture("sheets.xls", "src/new\nline/a.xls");
  fs::create_directories(dir / "src/bad");
  std::ofstream(dir / "src/bad/text.xls") << "just text\n";
  ASSERT_EQ(::mkfifo((dir / "src/x.xls").c_str(), 0644), 0);
  fs::create_directory(dir / "out");
  std::ofstream(dir / "empty.txt") << "\n";
  const Lines common{"--source", dir / "src", "--rules", dir / "empty.txt", "--save", dir / "out", "--log", dir / "l.log"};
  const std::string pipe = "skipped: " + dir / "src/x.xls" + " is a named pipe (FIFO), not a workbook file";

  const auto dry = RunBatch(Plus(common, {"--dry-run"}));
  const Lines planned = SplitLines(dry.out);
  ASSERT_EQ(planned.size(), 10u) << dry.out;
  EXPECT_EQ(planned[0], dir / "src/bad/text.xls\t" + dir / "out/bad/text.xls");
  EXPECT_EQ(planned[1], dir / "src/f1/b.xls\t" + dir / "out/f1/b.xls");
  EXPECT_EQ(planned[9], dir / "src/new\\nline/a.xls\t" + dir / "out/new\\nline/a.xls");
  EXPECT_NE(dry.err.find(pipe), std::string::npos) << dry.err;

  const auto run = RunBatch(Plus(common, {"--types", "all", "--quiet", "--report", dir / "r.csv"}));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("12 processed (0 vetoed), 1 failed, 0 not started"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(", 1 skipped"), std::string::npos) << run.err;
  const std::string notice = "the rule list is empty: workbooks are copied unchanged";
  EXPECT_EQ(CountOf(run.err, notice), 1u) << run.err;
  EXPECT_EQ(CountOf(run.err, "cannot read this kind of file"), 1u) << run.err;  // the failure's line only
  EXPECT_EQ(run.err.find(pipe), std::string::npos) << run.err;
  const Lines report = SplitLines(ReadFile(dir / "r.csv"));
  ASSERT_EQ(report.size(), 17u) << ReadFile(dir / "r.csv");  // the newline in a name, twice in its row
  EXPECT_EQ(report[1], dir / "src/x.xls,skipped,,\"" + pipe + "\",,0.00,,,,,,,[]\r");
  EXPECT_TRUE(report[2].starts_with(dir / "src/bad/text.xls,failed,,\"the office cannot read this kind of file: "))
      << report[2];
  for (int i = 1; i <= 8; ++i) {
    const std::string folder = "/f" + std::to_string(i) + "/b.xls";
    EXPECT_TRUE(report[2 + i].starts_with(dir / ("src" + folder) + ",processed," + dir / ("out" + folder)));
  }
  for (const auto& kind : kinds) {
    const std::string source = dir / ("src/" + kind), copy = dir / ("out/" + kind);
    const auto row = [&](const std::string& r) { return r.starts_with(source + ",processed," + copy + ",,,"); };
    EXPECT_EQ(std::ranges::count_if(report, row), 1) << kind;
    EXPECT_EQ(ReadFile(copy), ReadFile(source)) << kind;
  }
  EXPECT_FALSE(fs::exists(dir / "out/kinds/e.csv"));
  EXPECT_FALSE(fs::exists(dir / "out/bad"));
  EXPECT_TRUE(fs::exists(dir / "out/new\nline/a.xls"));
}

}  // namespace
}  // namespace sheetwise::batch

// One workbook end to end through the real office: what is saved, where,
// and which log entries are written.

#include "batch/WorkbookEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "host/LibreOfficeHost.h"
#include "host/ProcFs.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::ReadWithXlrd;
using test::SharedHost;
using test::TempDir;
using Entries = std::vector<std::string>;

class WorkbookEngineTest : public ::testing::Test {
 protected:
  WorkbookEngineTest() {
    fs::create_directories(dir.path() / "in");
    fs::create_directories(dir.path() / "out");
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.naming.namePrefix = "new_";
  }

  // A fixture workbook copied into the source folder.
  std::string source(const std::string& fixture = "sheets.xls", const std::string& name = "book.xls") {
    return dir.copyFixture(fixture, "in/" + name);
  }
  std::string output(const std::string& name = "book.xls") const { return dir / ("out/new_" + name); }
  WorkbookResult process(const std::string& path) { return engine.ProcessWorkbook(path, settings); }
  Entries logged() const {
    Entries texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  TempDir dir;
  RunSettings settings;
  CollectedLog log;
  WorkbookEngine engine{SharedHost(), log};
};

// A passing veto and an empty rule list: the batch command's tree run and the
// office's saved copies.
TEST_F(WorkbookEngineTest, FiringVetoLogsAndSavesUnchangedAlsoInPlace) {
  const std::string path = source();
  settings.veto.row = "1.5";  // rounds to 2
  settings.veto.column = "B";
  settings.veto.value = "Name";
  settings.rules = {"2|A|edited"};
  process(path);
  EXPECT_EQ(logged(), Entries{"触发否决条件：<file/>" + path + "</file>"});
  EXPECT_EQ(ReadWithXlrd(output()).sheets[0].value(2, 1), ReadWithXlrd(path).sheets[0].value(2, 1));

  settings.inPlace = true;
  fs::remove(output());
  process(path);
  EXPECT_EQ(logged().size(), 2u);
  EXPECT_FALSE(fs::exists(output()));
  EXPECT_EQ(dir.listing(), "in\nin/book.xls\nout\n");
}

// A veto that cannot be read, a missing named sheet, a rule list that fails
// before any rule acted: nothing is saved.
TEST_F(WorkbookEngineTest, FailuresBeforeAnyRuleActionAreProcessingErrors) {
  const std::string path = source();
  const std::tuple<std::string, std::string, std::string, Entries> cases[] = {
      {"Sheet1", "row", "A", {}},  // not a number
      {"Sheet1", "1", "1", {}},    // column below 1
      {"Sheet1", "9", "G", {}},    // an error value: =1/0
      {"NoSuchSheet", "", "", {}},
      {"Sheet1", "", "", {"{插入行}|整列|5", "{删除行}"}},  // no action began, then a missing mode
  };
  for (const auto& [sheet, row, column, ruleList] : cases) {
    settings.sheetName = sheet;
    settings.veto = {row, column, ""};
    settings.rules = ruleList;
    process(path);
  }
  EXPECT_EQ(logged(), Entries(std::size(cases), "处理异常：" + path));
  EXPECT_FALSE(fs::exists(output()));
}

TEST_F(WorkbookEngineTest, RuleFailuresAbandonTheFileUnsaved) {
  const std::string path = source();
  const std::string failed = "表头不匹配处理失败：<file/>" + path + "</file>";
  for (const Entries& ruleList : {Entries{"2|A|ok", "x|A|bad", "3|A|never"}, Entries{"{小偷}5|B|"},
                                  Entries{"{表名}|First", "{表名}|Second"}, Entries{"7||"}}) {
    settings.rules = ruleList;
    process(path);
  }
  EXPECT_EQ(logged(), (Entries{failed, failed, failed, failed}));
  EXPECT_FALSE(fs::exists(output()));
}

TEST_F(WorkbookEngineTest, SaveFailuresAreRuleFailures) {
  const std::string path = source();
  settings.naming.saveFolder = (dir.path() / "missing").string() + "/";
  process(path);
  // Naming rules that lead back to the source do not write over it.
  settings.naming.saveFolder = settings.naming.sourceFolder;
  settings.naming.namePrefix = "";
  const auto before = fs::last_write_time(path);
  process(path);
  const std::string failed = "表头不匹配处理失败：<file/>" + path + "</file>";
  EXPECT_EQ(logged(), (Entries{failed, failed}));
  EXPECT_EQ(fs::last_write_time(path), before);
}

TEST_F(WorkbookEngineTest, NamedSheetForCellsActiveSheetForRowsAndResolvedOnce) {
  const std::string path = source("second_active.xls");
  const auto before = ReadWithXlrd(path);
  settings.rules = {"{表名}|改名", "1|A|named", "{删除行}|正行|1"};
  process(path);
  EXPECT_EQ(logged(), Entries{});
  EXPECT_EQ(settings.sheetName, "Sheet1");
  const auto after = ReadWithXlrd(output());
  EXPECT_EQ(after.sheets[0].name, "改名");
  EXPECT_EQ(after.sheets[0].value(1, 1), "named");
  EXPECT_EQ(after.sheets[1].value(1, 1), before.sheets[1].value(2, 1));
  EXPECT_EQ(after.activeSheet(), 1);
}

// Editing in place: InPlaceSafety.

TEST_F(WorkbookEngineTest, ManyWorkbooksKeepTheOfficeMemoryFlat) {
  settings.rules = {"2|A|x", "{插入行}|正行|3", "{合并}|D10|E11", "{列距}|C|12"};
  const std::string path = source();
  long long afterTen = 0;
  for (int i = 1; i <= 200; ++i) {
    process(path);
    if (i == 10) afterTen = host::ResidentBytes(SharedHost().officePid());
  }
  const long long atEnd = host::ResidentBytes(SharedHost().officePid());
  std::printf("office resident memory: %.1f MiB after 10 workbooks, %.1f MiB after 200\n", afterTen / 1048576.0,
              atEnd / 1048576.0);
  EXPECT_EQ(logged(), Entries{});
  EXPECT_LT(atEnd, afterTen + 40ll * 1024 * 1024);
}

}  // namespace
}  // namespace sheetwise::batch

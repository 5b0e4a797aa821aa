// The check of every save, on a workbook the test makes itself, with
// differences planted in the written file.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// What a save plants in the written file before the check reads it: the
// first occurrence of from is replaced by to, of the same length.
struct Planting {
  bool on = false;
  std::string from = "plantme", to = "PLANTED";
};

// A save through this workbook, while planting is on, gets the planting made.
class PlantingWorkbook : public host::Workbook {
 public:
  PlantingWorkbook(std::unique_ptr<host::Workbook> book, const Planting& planting)
      : book_(std::move(book)), planting_(planting) {}
  std::unique_ptr<host::Worksheet> worksheet(const std::string& n) override { return book_->worksheet(n); }
  std::unique_ptr<host::Worksheet> worksheetAt(int position) override { return book_->worksheetAt(position); }
  std::unique_ptr<host::Worksheet> activeSheet() override { return book_->activeSheet(); }
  void saveChecked(const host::BeforeReplace& check) override { book_->saveChecked(plant(check)); }
  void saveAsChecked(const std::string& path, const host::BeforeReplace& check) override {
    book_->saveAsChecked(path, plant(check));
  }

 private:
  host::BeforeReplace plant(const host::BeforeReplace& check) {
    return [this, check](const std::string& written) {
      std::string bytes = test::ReadFile(written);
      if (const auto at = bytes.find(planting_.from); planting_.on && at != std::string::npos) {
        std::ofstream(written, std::ios::binary | std::ios::trunc)
            << bytes.replace(at, planting_.from.size(), planting_.to);
      }
      if (check) check(written);
    };
  }
  std::unique_ptr<host::Workbook> book_;
  const Planting& planting_;
};

// The sheet "grid": rows 1 to 8, columns A to E; E8 holds "plantme".
const char* const kGrid =
    "head,name,amount,note,tag\nr2,a,10,n2,t2\nr3,b,20,n3,t3\nr4,c,30,n4,t4\nr5,d,40,n5,t5\n"
    "r6,e,50,n6,t6\nr7,f,60,n7,t7\nr8,g,70,n8,plantme\n";

// The test is the office the engine sees: the real one, whose saves it plants into.
class SaveVerificationTest : public ::testing::Test, public host::Application {
 protected:
  SaveVerificationTest() {
    test::WriteTableWorkbook(source, kGrid, "grid");
    fs::create_directories(dir.path() / "out");
    settings.sheetName = "grid";
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
  }
  std::unique_ptr<host::Workbook> open(const std::string& path, host::OpenMode mode) override {
    return std::make_unique<PlantingWorkbook>(test::SharedHost().open(path, mode), planting);
  }
  WorkbookResult process() { return engine.ProcessWorkbook(source, settings); }
  std::string output() const { return dir / "out/grid.xls"; }

  test::TempDir dir;
  std::string source = dir / "in/grid.xls";
  RunSettings settings;
  CollectedLog log;
  Planting planting;
  WorkbookEngine engine{*this, log};
};

// Whatever a rule does is left out of the check; a difference planted in the
// written file is found where the edits moved it, and the copy is written with
// one log entry.
TEST_F(SaveVerificationTest, EveryRuleKindIsLeftOutAndAPlantedDifferenceFound) {
  planting.on = true;
  const std::pair<Lines, const char*> cases[] = {  // the rules; where E8's planted text ends up
      {{"{插入行}|正行|3", "{插入行}|正行|3", "{删除行}|正行|5"}, "sheet \"grid\", cell E9"},
      {{"{删除列}|整列|B"}, "sheet \"grid\", cell D8"},
      {{"2|B|changed", "3|C|99", "4|D|=C4*2"}, "sheet \"grid\", cell E8"},
      {{"{清空}|A2|C3", "{合并}|B5|C6"}, "sheet \"grid\", cell E8"},
      {{"{表名}|renamed"}, "sheet \"renamed\", cell E8"},
      {{"{行距}|2|30", "{列距}|C|20"}, "sheet \"grid\", cell E8"}};
  for (const auto& [rules, plantedAt] : cases) {
    settings.rules = rules::ParseRules(rules, false);
    fs::remove(output());
    const auto result = process();
    const std::string name = "case " + rules[0];
    EXPECT_EQ(result.outcome, Outcome::Processed) << name << ": " << result.reason;
    EXPECT_EQ(result.differences, Lines{std::string(plantedAt) + ": \"plantme\" → \"PLANTED\""}) << name;
    EXPECT_EQ(log.entries().back().text, "保存校验有差异：<file/>" + output() + "</file>") << name;
    EXPECT_EQ(log.entries().back().differences, result.differences) << name;
    EXPECT_TRUE(fs::exists(output())) << name;
  }
  EXPECT_EQ(log.entries().size(), std::size(cases));
}

// Unedited, a workbook is not rewritten; in place or strictly, a save that
// differs is not written: the workbook fails and nothing is left behind.
// Without the check, it is written.
TEST_F(SaveVerificationTest, NothingIsWrittenUneditedOrDifferingWhereItMayNot) {
  const std::string bytes = test::ReadFile(source);
  const auto time = fs::last_write_time(source);
  planting.on = true;
  settings.rules = rules::ParseRules({"{插入行}|其他|3", "{删除行}|别的|2"}, false);  // rules that act on nothing
  process();
  EXPECT_EQ(test::ReadFile(output()), bytes);
  fs::remove(output());
  settings.inPlace = true;
  settings.veto = {"1", "A", "not there"};
  settings.rules = rules::ParseRules({"2|B|changed"}, false);
  process();
  settings.veto = {};
  for (bool strict : {false, true}) {
    settings.inPlace = !strict;
    settings.strictVerify = strict;
    const auto result = process();
    EXPECT_EQ(result.outcome, Outcome::Failed) << "strict " << strict;
    EXPECT_EQ(result.reason, "the saved workbook differs from its source outside the rules' cells");
    EXPECT_EQ(result.differences, Lines{"sheet \"grid\", cell E8: \"plantme\" → \"PLANTED\""});
    EXPECT_EQ(log.entries().back().text, "表头不匹配处理失败：<file/>" + source + "</file>") << "strict " << strict;
  }
  EXPECT_EQ(test::ReadFile(source), bytes);
  EXPECT_EQ(fs::last_write_time(source), time);
  EXPECT_EQ(dir.listing(), "in\nin/grid.xls\nout\n");

  settings.strictVerify = false;
  settings.verify = false;
  EXPECT_EQ(process().differences, Lines{});
  EXPECT_TRUE(fs::exists(output()));
  EXPECT_EQ(log.entries().size(), 3u);  // a save without differences is not reported
}

// A top-level stream of the source that the written file lacks is found:
// here the summary information, renamed in the written file's directory.
TEST_F(SaveVerificationTest, AStreamTheContainerLostIsFound) {
  const auto utf16 = [](const std::string& name) {
    std::string out;
    for (const char c : name) out += std::string{c, '\0'};
    return out;
  };
  planting = {true, utf16("\5SummaryInformation"), utf16("\5SummaryInformatioX")};
  settings.rules = rules::ParseRules({"2|B|changed"}, false);
  EXPECT_EQ(process().differences, Lines{"file part \"SummaryInformation\": present → lost"});
}

// The sheet "grid" with formulas: C2 = B2*3, C3 = 1234.5625*1 (of no cell), C4 = SUM(B2:B3).
const char* const kFormulaGrid = "head,value,formula\nr2,5,=B2*3\nr3,6,=1234.5625*1\nr4,7,=SUM(B2:B3)\n";

// A formula's stored result as the file holds it.
std::string ResultBytes(double value) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

// A formula no rule can reach keeps its stored result: the source stores 7
// where the office computes 1234.5625 anew, and 7 is put back. Formulas of
// edited cells take their new results unreported.
TEST_F(SaveVerificationTest, FormulaResultsTheRulesCannotReachAreKeptOrReported) {
  test::WriteTableWorkbook(source, kFormulaGrid, "grid");
  std::string bytes = test::ReadFile(source);
  const auto at = bytes.find(ResultBytes(1234.5625));
  ASSERT_NE(at, std::string::npos);
  std::ofstream(source, std::ios::binary | std::ios::trunc) << bytes.replace(at, 8, ResultBytes(7));
  for (const Lines& rules : {Lines{"9|D|checked"}, Lines{"2|B|10"}}) {
    settings.rules = rules::ParseRules(rules, false);
    const auto result = process();
    EXPECT_EQ(result.outcome, Outcome::Processed) << rules[0] << ": " << result.reason;
    EXPECT_EQ(result.differences, Lines{}) << rules[0];
  }
  const auto saved = test::ReadWithXlrd(output()).sheets.at(0);
  EXPECT_EQ(saved.value(2, 3), "30");
  EXPECT_EQ(saved.value(3, 3), "7");
  EXPECT_EQ(saved.value(4, 3), "16");
}

}  // namespace
}  // namespace sheetwise::batch

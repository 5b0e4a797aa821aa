#include "extract/ExtractionRun.h"

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::extract {
namespace {
using Lines = std::vector<std::string>;

// The shared office, with a record of every opening asked of it; every one
// must be read-only. Unstartable, it fails as an office that cannot start.
class CountingOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string& path, host::OpenMode mode) override {
    EXPECT_EQ(mode, host::OpenMode::ReadOnly) << path;
    if (!startable) throw host::HostUnavailable("the office could not be started");
    opened.push_back(path);
    return test::SharedHost().open(path, mode);
  }
  bool startable = true;
  Lines opened;
};

class ExtractionRunTest : public ::testing::Test {
 protected:
  // Reads path with the current entries; its lines are appended.
  void extract(const std::string& path) {
    for (const auto& record : run.ExtractWorkbook(path, rules::ParseRules(entries, true))) lines.push_back(ExtractionLine(record));
  }
  Lines logged() const {
    Lines texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  Lines entries;
  Lines lines;
  batch::CollectedLog log;
  CountingOffice office;
  ExtractionRun run{office, log};
};

class CorpusExtractionRunTest : public ExtractionRunTest {};

// Sheet1: D2 holds text like an error value, E2 is covered by a merge, G9 and G10 hold errors.
const std::string kSheets = test::Fixture("sheets.xls");
// Its first sheet, not the active one, holds A1 姓名, B1 col2, AA2 1, A2 value.
const std::string kFirstNotActive = test::Fixture("second_active.xls");

// Any tag reads a cell of the first sheet as shown; the column is one character ("[" is AA). A line is the row text as typed, the column number and the cell's text.
TEST_F(ExtractionRunTest, EntriesReadTheFirstSheetAsShownInReadingOrderFromOneOpening) {
  extract(test::Fixture("missing.xls"));  // no entries: nothing is opened
  entries = {"{小偷}1|A|", "{小偷}03|C|", "{插入行}2|[|", "{小偷}2|A|", "{小偷}2|D|", "{小偷}2|E|", "{小偷}500|C|"};
  extract(kSheets);
  extract(kFirstNotActive);
  EXPECT_EQ(lines, (Lines{"11Date", "03344.66", "227", "212014-05-15", "24#NULL", "25", "5003", "11姓名", "033",
                          "2271", "21value", "24", "25", "5003"}));
  EXPECT_EQ(office.opened, (Lines{kSheets, kFirstNotActive}));
  EXPECT_TRUE(log.entries().empty());
  EXPECT_EQ(run.ExtractWorkbook(kSheets, rules::ParseRules({"{小偷}03|C|"}, true)), (ExtractionResults{{kSheets, "03", 3, 3, "44.66"}}));
}

// The lines before the failing entry stay, the entries after it are not read,
// and the workbook is logged with the reason.
TEST_F(ExtractionRunTest, AFailedReadEndsItsWorkbook) {
  // Ł is column 257.
  for (const std::string bad : {"{小偷}x|B|", "5|B|", "{小偷}5", "{小偷}5|龍|", "{小偷}99999999999|A|", "{小偷}0|A|",
                                "{小偷}1|0|", "{小偷}65537|A|", "{小偷}1|Ł|", "{小偷}1|AB|", "{小偷}9|G|", "{小偷}10|G|"}) {
    lines.clear();
    log = {};
    entries = {"{小偷}1|A|", bad, "{小偷}1|B|"};
    extract(kSheets);
    EXPECT_EQ(lines, Lines{"11Date"}) << "case " << bad;
    ASSERT_EQ(logged(), Lines{"处理异常：" + kSheets}) << "case " << bad;
    EXPECT_NE(log.entries()[0].reason, "") << "case " << bad;
  }
}

TEST_F(CorpusExtractionRunTest, HiddenFirstSheetIsReadAndStoredErrorValuesFail) {
  SHEETWISE_REQUIRE_CORPUS();
  entries = {"{小偷}1|A|", "{小偷}2|A|"};
  extract(test::Corpus("first_sheet_hidden.xls"));
  extract(test::Corpus("error_values_formulas.xls"));  // A2 holds #NULL! as a value
  EXPECT_EQ(lines, (Lines{"11column a", "212", "11Error"}));
  EXPECT_EQ(logged(), Lines{"处理异常：" + test::Corpus("error_values_formulas.xls")});
}

// Every later workbook would fail the same way, so the batch is stopped instead.
TEST_F(ExtractionRunTest, AnOfficeThatCannotStartReachesTheCaller) {
  office.startable = false;
  entries = {"{小偷}1|A|"};
  EXPECT_THROW(extract(kFirstNotActive), host::HostUnavailable);
}

}  // namespace
}  // namespace sheetwise::extract

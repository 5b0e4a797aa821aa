#include "extract/ExtractionRun.h"

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::extract {
namespace {
using Lines = std::vector<std::string>;

// The shared office, with a record of every opening asked of it; every one
// must be read-only.
class CountingOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string& path, host::OpenMode mode) override {
    EXPECT_EQ(mode, host::OpenMode::ReadOnly) << path;
    opened.push_back(path);
    return test::SharedHost().open(path, mode);
  }
  Lines opened;
};

class UnstartableOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string&, host::OpenMode) override {
    throw host::HostUnavailable("the office could not be started");
  }
};

class ExtractionRunTest : public ::testing::Test {
 protected:
  // Reads path with the current entries; its lines and records are appended.
  void extract(const std::string& path) {
    for (auto& record : run.ExtractWorkbook(path, entries)) {
      lines.push_back(ExtractionLine(record));
      results.push_back(std::move(record));
    }
  }
  Lines logged() const {
    Lines texts;
    for (const auto& entry : log.entries()) texts.push_back(entry.text);
    return texts;
  }

  test::TempDir dir;
  Lines entries;
  Lines lines;
  ExtractionResults results;
  batch::CollectedLog log;
  CountingOffice office;
  ExtractionRun run{office, log};
};

class CorpusExtractionRunTest : public ExtractionRunTest {};

// Sheet1: D2 holds text that looks like an error value, E2 is covered by a
// merge, G9 and G10 hold error values.
const std::string kSheets = test::Fixture("sheets.xls");
// Its first sheet, not the active one, holds A1 姓名, B1 col2, AA2 1, A2 value.
const std::string kFirstNotActive = test::Fixture("second_active.xls");

// Any tag reads a cell of the first sheet as shown; the column is the first
// character of its field, the row keeps its text as typed. A line is the row
// text, the column number and the cell's text.
TEST_F(ExtractionRunTest, EntriesReadTheFirstSheetAsShownInReadingOrderFromOneOpening) {
  entries = {"{小偷}1|AB|", "{小偷}03|C|", "{插入行}2|[|", "{小偷}2|A|", "{小偷}2|D|", "{小偷}2|E|", "{小偷}500|C|"};
  extract(kSheets);
  extract(kFirstNotActive);
  EXPECT_EQ(lines, (Lines{"11Date", "03344.66", "227", "212014-05-15", "24#NULL", "25", "5003", "11姓名", "033",
                          "2271", "21value", "24", "25", "5003"}));
  EXPECT_EQ(results[1], (ExtractionRecord{kSheets, "03", 3, 3, "44.66"}));
  EXPECT_EQ(results[7].path, kFirstNotActive);
  EXPECT_EQ(office.opened, (Lines{kSheets, kFirstNotActive}));
  EXPECT_TRUE(log.entries().empty());
}

// The lines before the failing entry stay, the entries after it are not read,
// the workbook is logged; the next workbook is read in full.
TEST_F(ExtractionRunTest, AFailedReadOrOpeningEndsOnlyItsWorkbook) {
  for (const std::string bad : {"{小偷}x|B|", "5|B|", "{小偷}5", "{小偷}5|龍|", "{小偷}99999999999|A|", "{小偷}0|A|",
                                "{小偷}1|0|", "{小偷}65537|A|", "{小偷}1|Ł|", "{小偷}9|G|", "{小偷}10|G|"}) {
    lines.clear();
    log = {};
    entries = {"{小偷}1|A|", bad, "{小偷}1|B|"};
    extract(kSheets);
    EXPECT_EQ(lines, Lines{"11Date"}) << "case " << bad;
    EXPECT_EQ(logged(), Lines{"处理异常：" + kSheets}) << "case " << bad;
  }
  lines.clear();
  log = {};
  const std::string missing = dir / "missing.xls";
  extract(missing);
  extract(kFirstNotActive);
  EXPECT_EQ(lines, (Lines{"11姓名", "107", "12col2"}));
  EXPECT_EQ(logged(), Lines{"处理异常：" + missing});
  EXPECT_FALSE(log.entries()[0].reason.empty());
}

TEST_F(CorpusExtractionRunTest, HiddenFirstSheetIsReadEncryptedWorkbooksAndStoredErrorValuesFail) {
  SHEETWISE_REQUIRE_CORPUS();
  entries = {"{小偷}1|A|", "{小偷}2|A|"};
  for (const char* name : {"first_sheet_hidden.xls", "encrypted_xor_password.xls", "error_values_formulas.xls"}) {
    extract(test::Corpus(name));
  }
  EXPECT_EQ(lines, (Lines{"11column a", "212", "11Error"}));  // A2 of the last holds #NULL! as a value
  EXPECT_EQ(logged(), (Lines{"处理异常：" + test::Corpus("encrypted_xor_password.xls"),
                             "处理异常：" + test::Corpus("error_values_formulas.xls")}));
}

TEST_F(ExtractionRunTest, AnEmptyEntryListOpensNothing) {
  extract(dir / "missing.xls");
  EXPECT_TRUE(office.opened.empty());
  EXPECT_TRUE(log.entries().empty());
}

// Every later workbook would fail the same way, so the batch is stopped instead.
TEST_F(ExtractionRunTest, AnOfficeThatCannotStartReachesTheCaller) {
  UnstartableOffice none;
  ExtractionRun withoutOffice{none, log};
  EXPECT_THROW(withoutOffice.ExtractWorkbook(kFirstNotActive, {"{小偷}1|A|"}), host::HostUnavailable);
}

}  // namespace
}  // namespace sheetwise::extract

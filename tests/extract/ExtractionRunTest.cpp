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

const std::string kSheets = test::Fixture("sheets.xls");
// Its first sheet, not the active one, holds A1 姓名, B1 col2, AA1 col27, A2
// value and B5 one.
const std::string kFirstNotActive = test::Fixture("second_active.xls");

// Any tag reads a cell; the column is the first character of its field, the
// row keeps its text as typed.
TEST_F(ExtractionRunTest, EntriesGiveOneLinePerCellInReadingOrderFromOneOpening) {
  entries = {"{小偷}1|AB|", "{小偷}02|C|", "{插入行}1|[|"};
  extract(kSheets);
  extract(kFirstNotActive);
  EXPECT_EQ(lines, (Lines{"11Date", "02365", "127", "11姓名", "023", "127col27"}));
  EXPECT_EQ(results[1], (ExtractionRecord{kSheets, "02", 2, 3, "65"}));
  EXPECT_EQ(results[5].path, kFirstNotActive);
  EXPECT_EQ(office.opened, (Lines{kSheets, kFirstNotActive}));
  EXPECT_TRUE(log.entries().empty());
}

// The lines before the failing entry stay, the entries after it are not read,
// the workbook is logged and the next workbook is read in full.
TEST_F(ExtractionRunTest, AFailedReadOrOpeningEndsOnlyItsWorkbook) {
  entries = {"{小偷}1|A|", "{小偷}9|G|", "{小偷}1|B|"};
  const std::string missing = dir / "missing.xls";
  extract(kSheets);  // G9 holds =1/0
  extract(missing);
  extract(kFirstNotActive);
  EXPECT_EQ(lines, (Lines{"11Date", "11姓名", "97", "12col2"}));
  EXPECT_EQ(logged(), (Lines{"处理异常：" + kSheets, "处理异常：" + missing}));
  EXPECT_FALSE(log.entries()[0].reason.empty());
}

TEST_F(ExtractionRunTest, EntriesThatNameNoCellEndTheWorkbookLikeAFailedRead) {
  for (const std::string entry : {"{小偷}x|B|", "5|B|", "{小偷}5", "{小偷}5|龍|", "{小偷}99999999999|A|"}) {
    lines.clear();
    log = {};
    entries = {"{小偷}1|A|", entry, "{小偷}1|B|"};
    extract(kFirstNotActive);
    EXPECT_EQ(lines, Lines{"11姓名"}) << "case " << entry;
    EXPECT_EQ(logged(), Lines{"处理异常：" + kFirstNotActive}) << "case " << entry;
  }
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

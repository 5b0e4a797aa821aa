#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTableView>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include "TestPaths.h"
#include "batch/LogEntries.h"
#include "ui/qt/ReasonsView.h"
#include "ui/qt/ResultsText.h"
#include "ui/qt/ResultsView.h"

namespace sheetwise::ui::qt {
namespace {

const extract::ExtractionResults kResults{
    {"/data/一月.xls", "05", 5, 2, "合计"},
    {"/data/a,b.xls", "7", 7, 27, "say \"hi\"\nthere"},
};

TEST(ResultsText, CsvAndTabTextQuoteWhereNeededAndNameColumnsByLetters) {
  EXPECT_EQ(ResultsCsv(kResults),
            "\xEF\xBB\xBF"
            "工作簿,行,列,内容\r\n"
            "/data/一月.xls,5,B,合计\r\n"
            "\"/data/a,b.xls\",7,AA,\"say \"\"hi\"\"\nthere\"\r\n");
  const extract::ExtractionResults tabbed{{"/p.xls", "1", 1, 1, "a\tb"}, {"/q.xls", "2", 2, 3, "c,d"}};
  EXPECT_EQ(ResultsTabText(tabbed, {1, 0, 9}), "/q.xls\t2\tC\tc,d\n/p.xls\t1\tA\t\"a\tb\"\n");
}

class ResultsWindow : public ::testing::Test {
 protected:
  QTableView& table() { return *view.findChild<QTableView*>("resultsTable"); }
  void click(const char* button) { QTest::mouseClick(view.findChild<QPushButton*>(button), Qt::LeftButton); }
  static std::string clipboard() { return QGuiApplication::clipboard()->text().toStdString(); }

  extract::ExtractionResults results;
  QWidget owner;
  ResultsView view{results, &owner};
};

TEST_F(ResultsWindow, OpensWithTheFirstResultsThenCopiesAndExportsThem) {
  test::TempDir folder;
  view.setSavePathChooser([&] { return QString::fromStdString(folder / "结果.csv"); });
  for (const auto& result : kResults) {
    view.refresh();
    EXPECT_EQ(view.isVisible(), !results.empty());  // opens with the first result
    results.push_back(result);
  }
  view.refresh();
  ASSERT_EQ(table().model()->rowCount(), 2);
  EXPECT_EQ(table().model()->index(1, 2).data().toString(), "AA");

  click("copyResults");
  EXPECT_EQ(clipboard(), ResultsTabText(results, {0, 1}));
  click("exportResults");
  EXPECT_EQ(test::ReadFile(folder / "结果.csv"), ResultsCsv(results));
  table().selectRow(1);
  click("copyResults");
  EXPECT_EQ(clipboard(), ResultsTabText(results, {1}));
}

// Each entry's problem, file name, folder, full-path tooltip and reason; a run count shows its rows alone.
TEST(ReasonsWindow, ShowsEachEntrysFileInFullAndFollowsTheWindowsWidth) {
  using batch::EntryCause;
  const std::string folder = "/home/用户/报表/2024年/各门店月度汇总/东区/";
  const std::vector<batch::LogEntry> entries{
      {batch::RuleFailureEntry(folder + "第一分店.xls"), "row 0 does not exist", {}, EntryCause::RuleFailed},
      {batch::ProcessingErrorEntry("/d/b.xls"), "", {}, EntryCause::CannotOpen},
      {batch::VerificationEntry("c.xls"), "", {"B2: 1 → 2", "C3: x → y"}, EntryCause::CopyDiffers}};
  const std::vector<std::vector<std::string>> shown{
      {"表头不匹配处理失败", "规则失败", "第一分店.xls", folder, "row 0 does not exist"},
      {"处理异常", "文件损坏或无法打开", "b.xls", "/d/", ""},
      {"保存校验有差异", "副本有差异", "c.xls", "", ""}};
  QWidget owner;
  ui::RunTally tally{true, 1, 2, {}};
  tally.counts[static_cast<size_t>(ui::RunCount::Failed)] = 1;
  tally.counts[static_cast<size_t>(ui::RunCount::Differs)] = 1;
  ReasonsView view{entries, tally, &owner};
  view.refresh();
  auto& table = *view.findChild<QTableWidget*>("logReasons");
  ASSERT_EQ(table.rowCount(), 3);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 5; ++col) EXPECT_EQ(table.item(row, col)->text().toStdString(), shown[row][col]);
  EXPECT_EQ(table.item(2, 6)->text().toStdString(), "B2: 1 → 2\nC3: x → y");
  EXPECT_TRUE(table.item(2, 5)->text().startsWith("副本已经写入") && table.item(0, 5)->text().startsWith("源文件未被改动"));
  for (int column : {2, 3}) EXPECT_EQ(table.item(0, column)->toolTip().toStdString(), folder + "第一分店.xls") << column;

  EXPECT_EQ(view.findChild<QLabel*>("runCounts")->text(),
            "共 2 个文件：已处理 0，<a href=\"1\">有差异 1</a>，未校验 0，否决 0，拒绝 0，<a href=\"5\">失败 1</a>"
            "&nbsp;&nbsp;&nbsp;&nbsp;<a href=\"all\">显示全部</a>");
  view.openCount(ui::RunCount::Failed);
  EXPECT_TRUE(table.isRowHidden(0) && !table.isRowHidden(1) && table.isRowHidden(2));
  view.openCount(std::nullopt);
  EXPECT_FALSE(table.isRowHidden(0) || table.isRowHidden(1) || table.isRowHidden(2));

  view.resize(600, 300);
  view.show();
  QTest::qWait(20);
  const int narrow = table.columnWidth(2);
  view.resize(1200, 300);
  EXPECT_TRUE(QTest::qWaitFor([&] { return table.columnWidth(2) > narrow + 100; }, 2000)) << narrow;
}

}  // namespace
}  // namespace sheetwise::ui::qt

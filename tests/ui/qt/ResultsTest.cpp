// The extraction results: their text for the clipboard and the CSV file, and
// the window that shows them.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "TestPaths.h"
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
  std::vector<batch::LogEntry> logEntries;
  QWidget owner;
  ResultsView view{results, logEntries, &owner};
};

TEST_F(ResultsWindow, OpensWithTheFirstResultsThenCopiesAndExportsThem) {
  test::TempDir folder;
  view.setSavePathChooser([&] { return QString::fromStdString(folder / "结果.csv"); });
  view.refresh();
  EXPECT_FALSE(view.isVisible());
  results.push_back(kResults[0]);
  view.refresh();
  EXPECT_TRUE(view.isVisible());
  results.push_back(kResults[1]);
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

}  // namespace
}  // namespace sheetwise::ui::qt

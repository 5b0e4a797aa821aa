// The grid picker window driven by real mouse and key events on its grid.

#include <QHeaderView>

#include "WindowFixture.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::test {
namespace {

class PickerView : public WindowFixture {
 protected:
  PickerView() : view(window->pickerView()), grid(view.grid()) {
    show({{"", "", "", ""}, {"", "名称", "数量", "单价"}, {"", "苹果", "3", "2.5"},
          {"", "梨", "4", "3"}, {"", "桃", "5", "6"}});
  }

  // As a quick-add leaves it: the fixed row and column empty, then the sheet.
  void show(std::vector<std::vector<std::string>> cells) {
    form2.VSFlexGrid1.cells = std::move(cells);
    form2.visible = true;
    ++form2.raiseRequests;
    window->refresh();
  }

  // The centre of grid cell (row, column), counted as the picker counts them.
  QPoint cell(int row, int col) { return grid.visualRect(grid.model()->index(row - 1, col - 1)).center(); }

  ui::qt::PickerView& view;
  ui::qt::SampleGridView& grid;
};

TEST_F(PickerView, ShowsTheSheetInsideItsFixedRowAndColumnAndTellsTheCellUnderThePointer) {
  EXPECT_EQ(grid.model()->rowCount(), 4);
  EXPECT_EQ(grid.model()->index(1, 0).data().toString(), "苹果");
  EXPECT_EQ(grid.cellAt(grid.viewport()->mapTo(&grid, cell(2, 3))), (ui::qt::GridCell{2, 3}));
  EXPECT_EQ(grid.cellAt(grid.verticalHeader()->geometry().center()).column, 0);
  EXPECT_EQ(grid.cellAt(grid.viewport()->geometry().bottomRight() - QPoint(5, 5)).row, -1);

  QWidget* fixedRow = grid.horizontalHeader()->viewport();
  const QPoint overColumn2(grid.columnViewportPosition(1) + 5, 5);
  QTest::mousePress(fixedRow, Qt::LeftButton, {}, overColumn2);
  QTest::mouseRelease(fixedRow, Qt::LeftButton, {}, overColumn2);
  EXPECT_EQ(form2.selection.startRow, 0);
  EXPECT_EQ(form2.selection.startColumn, 2);
}

TEST_F(PickerView, DraggedRectangleWithARowAndACountMakesStandardRulesAndCloses) {
  QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, cell(3, 1));
  QTest::mouseMove(grid.viewport(), cell(4, 2));
  QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, cell(4, 2));
  dialogs.inputAnswers = {"10", "2"};
  QTest::keyClick(&grid, Qt::Key_Return);

  EXPECT_EQ(shownLines("List3"),
            (Lines{"{插入行}|正行|10", "{插入行}|正行|10", "10|A|梨", "10|B|4", "11|A|桃", "11|B|5"}));
  EXPECT_FALSE(view.isVisible());
}

TEST_F(PickerView, ClosingTheWindowUnloadsItAndTheNextQuickAddShowsItAfresh) {
  view.close();
  EXPECT_TRUE(form2.VSFlexGrid1.cells.empty());
  EXPECT_EQ(grid.model()->rowCount(), 0);
  show({{"", ""}, {"", "新"}});
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(grid.model()->index(0, 0).data().toString(), "新");
}

}  // namespace
}  // namespace sheetwise::test

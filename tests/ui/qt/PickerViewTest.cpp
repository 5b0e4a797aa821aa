// The grid picker window driven by real mouse and key events on its grid.

#include <QHeaderView>

#include "WindowFixture.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::test {
namespace {

using Lines = std::vector<std::string>;

class PickerView : public WindowFixture {
 protected:
  PickerView() : view(window->pickerView()), grid(view.grid()) {
    // As a quick-add leaves it: the fixed row and column empty, then the sheet.
    form2.VSFlexGrid1.cells = {{"", "", "", ""},
                               {"", "名称", "数量", "单价"},
                               {"", "苹果", "3", "2.5"},
                               {"", "梨", "4", "3"},
                               {"", "桃", "5", "6"}};
    form2.visible = true;
    ++form2.raiseRequests;
    window->refresh();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
  }

  // The centre of grid cell (row, column), row and column counted as the picker counts them.
  QPoint cell(int row, int column) { return grid.visualRect(grid.model()->index(row - 1, column - 1)).center(); }
  void press(QPoint at) { QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, at); }
  void release(QPoint at) { QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, at); }
  void drag(QPoint from, QPoint to) {
    press(from);
    QTest::mouseMove(grid.viewport(), to);
    release(to);
  }

  ui::qt::PickerView& view;
  ui::qt::SampleGridView& grid;
};

TEST_F(PickerView, ShowsTheSampleGridWithItsFixedRowAndColumnAsHeaders) {
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(grid.model()->rowCount(), 4);
  EXPECT_EQ(grid.model()->columnCount(), 3);
  EXPECT_EQ(grid.model()->index(1, 0).data().toString(), "苹果");
}

TEST_F(PickerView, ReportsTheCellUnderThePointer) {
  EXPECT_EQ(grid.cellAt(grid.viewport()->mapTo(&grid, cell(2, 3))), (ui::qt::GridCell{2, 3}));
  const QPoint fixedRow = grid.horizontalHeader()->geometry().center();
  EXPECT_EQ(grid.cellAt(fixedRow).row, 0);
  const QPoint fixedColumn = grid.verticalHeader()->geometry().center();
  EXPECT_EQ(grid.cellAt(fixedColumn).column, 0);
  const QPoint pastTheCells = grid.viewport()->geometry().bottomRight() - QPoint(5, 5);
  EXPECT_EQ(grid.cellAt(pastTheCells), (ui::qt::GridCell{-1, -1}));
}

TEST_F(PickerView, DraggedRectangleWithARowAndACountMakesStandardRulesAndCloses) {
  drag(cell(3, 1), cell(4, 2));
  EXPECT_EQ(form2.selection.startRow, 3);
  EXPECT_EQ(form2.selection.endColumn, 2);
  dialogs.inputAnswers = {"10", "2"};
  QTest::keyClick(&grid, Qt::Key_Return);

  EXPECT_EQ(dialogs.inputPrompts.front(), "请输入实际行数");
  EXPECT_EQ(shownLines("List3"),
            (Lines{"{插入行}|正行|10", "{插入行}|正行|10", "10|A|梨", "10|B|4", "11|A|桃", "11|B|5"}));
  EXPECT_FALSE(view.isVisible());
  EXPECT_FALSE(form2.visible);
}

// A release outside the cells: the cell under the pointer above, GridPicker.

TEST_F(PickerView, PressOnTheFixedRowStartsAtRowZero) {
  QWidget* header = grid.horizontalHeader()->viewport();
  QTest::mousePress(header, Qt::LeftButton, {}, QPoint(grid.columnViewportPosition(1) + 5, 5));
  QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(grid.columnViewportPosition(1) + 5, 5));
  EXPECT_EQ(form2.selection.startRow, 0);
  EXPECT_EQ(form2.selection.startColumn, 2);
}

TEST_F(PickerView, GridFollowsTheWindowSize) {
  view.resize(400, 300);
  QTest::qWait(10);
  EXPECT_EQ(form2.VSFlexGrid1.width, 6000);
  EXPECT_EQ(form2.VSFlexGrid1.height, 4500);
  EXPECT_EQ(grid.size(), QSize(400, 300));
}

TEST_F(PickerView, ClosingTheWindowUnloadsItAndTheNextQuickAddLoadsItAfresh) {
  view.close();
  EXPECT_FALSE(form2.visible);
  EXPECT_TRUE(form2.VSFlexGrid1.cells.empty());
  EXPECT_EQ(grid.model()->rowCount(), 0);

  form2.VSFlexGrid1.cells = {{"", ""}, {"", "新"}};
  form2.visible = true;
  ++form2.raiseRequests;
  window->refresh();
  EXPECT_TRUE(view.isVisible());
  EXPECT_EQ(grid.model()->index(0, 0).data().toString(), "新");
}

}  // namespace
}  // namespace sheetwise::test

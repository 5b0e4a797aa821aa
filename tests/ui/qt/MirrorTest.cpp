// Showing control models in widgets: only what changed is replaced, the user's
// place in a field is kept, and nothing is written back.

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ui/qt/Mirror.h"

namespace sheetwise::ui::qt {
namespace {

class ListMirrorTest : public ::testing::Test {
 protected:
  void show() {
    mirror.show(model);
    std::vector<std::string> lines;
    for (int i = 0; i < widget.count(); ++i) lines.push_back(S(widget.item(i)->text()));
    EXPECT_EQ(lines, model.items);
  }

  QListWidget widget;
  ListMirror mirror{widget};
  ListBox model{{"a", "b", "c"}};
};

TEST_F(ListMirrorTest, ShowsEveryChangeExactlyAndLeavesUnchangedLinesInPlace) {
  show();
  QListWidgetItem* first = widget.item(0);
  QListWidgetItem* last = widget.item(2);
  model.items.push_back("d");
  show();
  EXPECT_EQ(widget.item(0), first);
  model.items.erase(model.items.begin());
  show();
  EXPECT_EQ(widget.item(1), last);
  // Repeated and changed lines, runs of one line growing and shrinking.
  for (const auto& items : std::vector<std::vector<std::string>>{{"a", "x", "x", "c"}, {"c", "a"}, {}, {"a", "a"},
                                                                 {"a", "a", "a"}, {"a"}, {"a", "a", "a", "a"}, {"a", "a"}}) {
    model.items = items;
    show();
  }
}

TEST_F(ListMirrorTest, SelectionFollowsTheModelWithoutSignallingBack) {
  QSignalSpy changes(&widget, &QListWidget::currentRowChanged);
  model.selection = 1;
  show();
  EXPECT_EQ(widget.currentRow(), 1);
  model.selection = -1;
  show();
  EXPECT_EQ(widget.currentRow(), -1);
  EXPECT_TRUE(widget.selectedItems().isEmpty());
  EXPECT_EQ(changes.count(), 0);
}

TEST(MirrorTest, FieldKeepsTheCaretWhereTheTextStillReaches) {
  QLineEdit field;
  field.setText("abcd");
  field.setCursorPosition(2);
  Show(field, TextBox{"ABCD"});
  EXPECT_EQ(field.text(), "ABCD");
  EXPECT_EQ(field.cursorPosition(), 2);
  Show(field, TextBox{"A"});
  EXPECT_EQ(field.cursorPosition(), 1);
}

TEST(MirrorTest, TimerRunsOnlyWhileEnabledWithAnInterval) {
  QTimer timer;
  Show(timer, Timer{true, 250});
  EXPECT_TRUE(timer.isActive());
  EXPECT_EQ(timer.interval(), 250);
  Show(timer, Timer{false, 250});
  EXPECT_FALSE(timer.isActive());
  Show(timer, Timer{true, 0});
  EXPECT_FALSE(timer.isActive());
}

}  // namespace
}  // namespace sheetwise::ui::qt

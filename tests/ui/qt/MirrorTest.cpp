// Showing control models in widgets: only the lines of a list that changed are
// replaced, and the user's place in a field is kept.

#include <gtest/gtest.h>

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
  const std::vector<std::vector<std::string>> changes{
      {"a", "x", "x", "c"}, {"c", "a"}, {}, {"a", "a"}, {"a", "a", "a"}, {"a"}, {"a", "a", "a", "a"}, {"a", "a"}};
  for (const auto& items : changes) {
    model.items = items;
    show();
  }
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

}  // namespace
}  // namespace sheetwise::ui::qt

// The rule input panel through its widgets: every add command, the list
// commands, the upper-case filters and the panel following its scroll bar.

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include "WindowFixture.h"

namespace sheetwise::test {
namespace {

using Lines = std::vector<std::string>;
using RulePanelView = WindowFixture;

TEST_F(RulePanelView, EveryAddCommandAppendsItsEntryFromTheTypedFields) {
  type("Text1", "7");
  type("Text2", "c");
  type("Text3", "合计");
  click("Command1");
  type("charu", "5");
  click("charucom");
  type("shanchu", "9");
  click("shanchucom");
  type("hebingx", "B7");
  type("hebingy", "C8");
  click("hebingxvv");
  type("qingkongx", "A1");
  type("qingkongy", "D4");
  click("qingkingxxc");
  type("gaiming", "汇总");
  click("gaimingc");
  type("Text15", "d");
  type("Text16", "12");
  click("Command13");
  type("Text18", "3");
  type("Text17", "30");
  click("Command14");
  type("Text20", "b");
  type("Text21", "5");
  click("Check2");
  click("Command15");
  QTest::keyClick(&widget<QComboBox>("Combo2"), Qt::Key_Down);  // 整列
  widget<QLineEdit>("shanchu").clear();
  type("shanchu", "C");
  click("shanchucom");

  const Lines expected{"7|C|合计",    "{插入行}|正行|5", "{删除行}|正行|9", "{合并}|B7|C8", "{清空}|A1|D4",
                       "{表名}|汇总", "{列距}|D|12",     "{行距}|3|30",     "{小偷}5|b|",   "{删除列}|整列|C"};
  EXPECT_EQ(shownLines("List3"), expected);
  EXPECT_EQ(form.List3.items, expected);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RulePanelView, RemoveTakesTheClickedRuleAndClearTakesAll) {
  for (const char* row : {"1", "2", "3"}) {
    widget<QLineEdit>("Text1").clear();
    type("Text1", row);
    click("Command1");
  }
  auto& rules = widget<QListWidget>("List3");
  QTest::mouseClick(rules.viewport(), Qt::LeftButton, {}, rules.visualItemRect(rules.item(1)).center());
  click("Command3");
  EXPECT_EQ(shownLines("List3"), (Lines{"1||", "3||"}));
  EXPECT_EQ(form.List3.selection, -1);
  click("Command3");  // the removed entry's neighbour is not taken as well
  EXPECT_EQ(shownLines("List3"), (Lines{"1||", "3||"}));
  click("Command10");
  EXPECT_EQ(rules.count(), 0);
}

TEST_F(RulePanelView, ColumnLetterFieldsTurnTypedLettersIntoCapitals) {
  type("Text2", "ab");
  type("Text15", "aa");
  type("Text13", "c");
  type("Text20", "b");
  EXPECT_EQ(widget<QLineEdit>("Text2").text(), "AB");
  EXPECT_EQ(widget<QLineEdit>("Text15").text(), "AA");
  EXPECT_EQ(widget<QLineEdit>("Text13").text(), "C");
  EXPECT_EQ(form.Text20.text, "b");  // the extraction column stays as typed
  // Typing goes on where it stopped.
  EXPECT_EQ(widget<QLineEdit>("Text2").cursorPosition(), 2);
}

// The scroll box's centre, in the bar's coordinates.
QPoint ScrollBoxCentre(QScrollBar& bar) {
  QStyleOptionSlider option;
  option.initFrom(&bar);
  option.orientation = bar.orientation();
  option.minimum = bar.minimum();
  option.maximum = bar.maximum();
  option.sliderPosition = bar.sliderPosition();
  option.sliderValue = bar.value();
  option.singleStep = bar.singleStep();
  option.pageStep = bar.pageStep();
  option.subControls = QStyle::SC_All;
  return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar).center();
}

void DragScrollBox(QScrollBar& bar, int toY) {
  const QPoint from = ScrollBoxCentre(bar);
  const QPoint to(from.x(), toY);
  QTest::mousePress(&bar, Qt::LeftButton, {}, from);
  QTest::mouseMove(&bar, QPoint(from.x(), (from.y() + toY) / 2));
  QTest::mouseMove(&bar, to);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, to);
}

TEST_F(RulePanelView, PanelFollowsTheScrollBoxToTheBottomAndBack) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  auto& bar = widget<QScrollBar>("VScroll1");
  auto& panel = widget<QWidget>("Frame1");

  DragScrollBox(bar, bar.height() + 50);
  EXPECT_EQ(bar.value(), 2160);
  EXPECT_EQ(form.Frame1Top, -2160);
  EXPECT_EQ(panel.y(), -144);
  // The lowest frame is in sight.
  const QRect lowest = widget<QWidget>("Frame20").geometry().translated(panel.pos());
  EXPECT_LE(lowest.bottom(), panel.parentWidget()->height());

  DragScrollBox(bar, -50);
  EXPECT_EQ(form.Frame1Top, 0);
  EXPECT_EQ(panel.y(), 0);
}

TEST_F(RulePanelView, LockedPanelRefusesInputDuringARun) {
  form.Frame1.enabled = false;
  window->refresh();
  EXPECT_FALSE(widget<QWidget>("Command1").isEnabled());
  EXPECT_FALSE(widget<QWidget>("Check2").isEnabled());
  EXPECT_TRUE(widget<QWidget>("Command3").isEnabled());
  EXPECT_TRUE(widget<QWidget>("Command11").isEnabled());
}

}  // namespace
}  // namespace sheetwise::test

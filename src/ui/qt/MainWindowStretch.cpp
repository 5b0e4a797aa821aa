// The main window beyond its default size: the file queue, the rule list and
// the error log take the extra room, every other control keeps its shape and
// moves down with the window's bottom edge. At the default size every control
// stands where the layout puts it. The window opens centred on its screen,
// tall enough for a rule list of several rules where the screen has the room.

#include <QListWidget>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <iterator>

#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"

namespace sheetwise::ui::qt {

namespace {

// How a control follows the extra width dx and height dy: it moves right by
// dx × right, down by dy × downThirds / 3, and grows by dx × wider and
// dy × tallerThirds / 3.
struct Stretch {
  const char* name;
  int right, downThirds, wider, tallerThirds;
};

// The file queue takes a third of the extra height, the rule list and the
// error log two thirds; everything below them moves down by all of it.
constexpr Stretch kStretches[] = {
    {"Frame15", 0, 0, 1, 1},    {"List2", 0, 0, 1, 1},      {"TypeXls", 1, 0, 0, 0},    {"TypeXlsx", 1, 0, 0, 0},
    {"TypeXlsm", 1, 0, 0, 0},   {"TypeOds", 1, 0, 0, 0},    {"Frame9", 0, 1, 0, 2},     {"List3", 0, 0, 0, 2},
    {"Command3", 0, 2, 0, 0},   {"Command10", 0, 2, 0, 0},  {"loadRules", 0, 2, 0, 0},  {"saveRules", 0, 2, 0, 0},
    {"Preview", 0, 2, 0, 0},    {"Frame6", 0, 1, 1, 2},     {"List4", 0, 0, 1, 2},      {"Picture1", 0, 3, 0, 0},
    {"Frame3", 0, 3, 0, 0},     {"Frame5", 0, 3, 0, 0},     {"Frame4", 0, 3, 0, 0},     {"Frame2", 0, 3, 0, 0},
    {"Frame7", 0, 3, 0, 0},     {"Check1", 0, 3, 0, 0},     {"UndoLastRun", 0, 3, 0, 0}, {"Frame8", 0, 3, 0, 0},
    {"Frame19", 0, 3, 0, 0},    {"Command6", 0, 3, 0, 0},   {"Command7", 0, 3, 0, 0},   {"Command8", 0, 3, 0, 0},
    {"Command4", 0, 3, 0, 0},   {"Shape1", 0, 3, 0, 0},     {"Shape2", 0, 3, 0, 0},     {"Label8", 0, 3, 0, 0},
    {"runSummary", 0, 3, 0, 0}};

// Rules the rule list should show when the window opens, room permitting.
constexpr int kRulesInSight = 8;

}  // namespace

void MainWindowView::rememberLayout() {
  for (size_t i = 0; i < std::size(kStretches); ++i) {
    if (auto* widget = findChild<QWidget*>(kStretches[i].name)) laidOut_.push_back({widget, widget->geometry(), i});
  }
}

void MainWindowView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize extra = size() - ToPixels(layout::kClient);
  const int dx = std::max(0, extra.width());
  const int dy = std::max(0, extra.height());
  for (const auto& [widget, place, index] : laidOut_) {
    const Stretch& stretch = kStretches[index];
    const QPoint at = place.topLeft() + QPoint(dx * stretch.right, dy * stretch.downThirds / 3);
    if (stretch.wider == 0 && stretch.tallerThirds == 0) {
      widget->move(at);  // the bars' widths follow their models
    } else {
      widget->setGeometry(QRect(at, place.size() + QSize(dx * stretch.wider, dy * stretch.tallerThirds / 3)));
    }
  }
}

// Tall enough for kRulesInSight rules above the list's commands, as far as
// the screen allows, and centred on it.
void MainWindowView::placeOnScreen() {
  const QRect room = screen()->availableGeometry();
  const QSize frame = frameGeometry().size() - size();
  auto& rules = *findChild<QListWidget*>("List3");
  const int rowHeight = std::max(rules.sizeHintForRow(0), rules.fontMetrics().height());
  const int covered = rules.geometry().bottom() + 1 - findChild<QWidget*>("Command3")->y();
  const int wanted = kRulesInSight * rowHeight + (rules.height() - rules.viewport()->height()) + covered;
  const int dy = std::max(0, (wanted - rules.height()) * 3 / 2);
  const int fits = std::max(minimumHeight(), room.height() - frame.height());
  const QSize size(width(), std::min(height() + dy, fits));
  resize(size);
  move(room.center() - QPoint(size.width() + frame.width(), size.height() + frame.height()) / 2);
}

}  // namespace sheetwise::ui::qt

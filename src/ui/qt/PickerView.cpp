#include "ui/qt/PickerView.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "ui/qt/Fonts.h"
#include "ui/qt/SampleGridModel.h"
#include "ui/qt/SampleGridView.h"
#include "ui/qt/SongText.h"

namespace sheetwise::ui::qt {

namespace {
constexpr int kRowPadding = 6;  // pixels of a grid row beyond its text line
constexpr int kHintHeight = 22;  // pixels of the hint line below the grid
constexpr const char* kHint = "拖选单元格后按回车：输入 X 加为提取规则；输入实际行号和行数，加为插入或删除行规则";
constexpr const char* kHintInFull =
    "拖选单元格后按回车：输入 X 把每个选中的单元格加为提取规则；输入实际行号和行数，加为插入或删除行的规则。\n"
    "表头是写进规则的列字母和行号。";
}  // namespace

PickerView::PickerView(Form2& form, rules::GridPicker& picker, HandlerRunner run, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), picker_(picker), run_(std::move(run)) {
  setObjectName("Form2");
  setWindowIcon(parent != nullptr ? parent->windowIcon() : QIcon());
  grid_ = new SampleGridView(this);
  grid_->setObjectName("VSFlexGrid1");
  cells_ = new SampleGridModel(form_.VSFlexGrid1, this);
  grid_->setModel(cells_);
  for (QWidget* surface : grid_->pointerSurfaces()) surface->installEventFilter(this);
  grid_->installEventFilter(this);
  grid_->setToolTip(kHintInFull);
  hint_ = new QLabel(kHint, this);
  hint_->setObjectName("pickHint");
  hint_->setToolTip(kHintInFull);
  hint_->setContentsMargins(4, 0, 4, 0);
  refresh();
}

void PickerView::refresh() {
  setWindowTitle(Q(form_.Caption));
  if (!form_.visible) {
    shownRequests_ = form_.raiseRequests;
    if (loaded_) cells_->reload();
    loaded_ = false;
    if (isVisible()) hide();
  } else if (form_.raiseRequests != shownRequests_) {
    shownRequests_ = form_.raiseRequests;
    load();
  }
  const SampleGrid& grid = form_.VSFlexGrid1;
  grid_->setGeometry(0, 0, TwipsToPx(grid.width), TwipsToPx(grid.height));
  hint_->setGeometry(0, grid_->geometry().bottom() + 1, width(), kHintHeight);
}

void PickerView::load() {
  const QFont font = WindowFont(form_.VSFlexGrid1.fontName.c_str(), form_.VSFlexGrid1.fontPoints);
  grid_->setFont(font);
  grid_->verticalHeader()->setDefaultSectionSize(SongLineOf(font).height + kRowPadding);
  cells_->reload();
  if (!loaded_) {
    loaded_ = true;
    resize(TwipsToPx(form_.Width - kBorderAllowance.width),
           TwipsToPx(form_.Height - kBorderAllowance.height) + kHintHeight);
  }
  show();
  raise();
  activateWindow();
  grid_->setFocus();
}

void PickerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int outerWidth = PxToTwips(width()) + kBorderAllowance.width;
  const int outerHeight = PxToTwips(height() - kHintHeight) + kBorderAllowance.height;
  if (outerWidth == form_.Width && outerHeight == form_.Height) return;
  run_([this, outerWidth, outerHeight] { picker_.resize(outerWidth, outerHeight); });
}

void PickerView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (form_.visible) run_([this] { picker_.close(); });
}

bool PickerView::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      return forwardMouse(watched, event);
    case QEvent::KeyPress:
      return watched == grid_ && forwardKey(event);
    default:
      return false;
  }
}

bool PickerView::forwardMouse(QObject* watched, QEvent* event) {
  auto* surface = qobject_cast<QWidget*>(watched);
  if (surface == nullptr) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const GridCell cell = grid_->cellAt(surface->mapTo(grid_, mouse->position().toPoint()));
  if (event->type() == QEvent::MouseButtonPress) {
    run_([this, cell] { picker_.mouseDown(cell.row, cell.column); });
  } else {
    run_([this, cell] { picker_.mouseUp(cell.row, cell.column); });
  }
  return false;  // the grid still highlights what is dragged over
}

bool PickerView::forwardKey(QEvent* event) {
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (!enter && key->text().isEmpty()) return false;
  const int code = enter ? rules::kEnterKey : key->text().at(0).unicode();
  run_([this, code] { picker_.keyPress(code); });
  return enter;
}

}  // namespace sheetwise::ui::qt

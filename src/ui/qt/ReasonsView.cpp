#include "ui/qt/ReasonsView.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QScreen>
#include <algorithm>
#include <iterator>

#include "ui/ReasonRows.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/PathPartDelegate.h"

namespace sheetwise::ui::qt {

namespace {

enum Column { kKind, kProblem, kName, kFolder, kReason, kHint, kDifferences };

constexpr const char* kAllRows = "all";
constexpr int kWidth = 1100;
constexpr int kHeight = 400;

QTableWidgetItem* Cell(const std::string& text, const std::string& tooltip) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setToolTip(QString::fromStdString(tooltip));
  return item;
}

}  // namespace

QString TallyLinks(const RunTally& tally, bool withAll) {
  if (!tally.started) return withAll ? QStringLiteral("还没有开始处理") : QString();
  const auto link = [&tally](RunCount count, const std::string& text) {
    const bool rows = count != RunCount::Processed && tally.counts[static_cast<size_t>(count)] > 0;
    return rows ? "<a href=\"" + std::to_string(static_cast<int>(count)) + "\">" + text + "</a>" : text;
  };
  QString text = QString::fromStdString(TallyText(tally, withAll, link));
  if (withAll) text += QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;<a href=\"%1\">显示全部</a>").arg(kAllRows);
  return text;
}

ReasonsView::ReasonsView(const std::vector<batch::LogEntry>& entries, const RunTally& tally, QWidget* parent)
    : QWidget(parent, Qt::Window), entries_(entries), tally_(tally) {
  setObjectName("LogReasons");
  setWindowTitle("错误原因");
  setFont(WindowFont(kSong, 9));
  resize(kWidth, kHeight);

  counts_ = new QLabel(this);
  counts_->setObjectName("runCounts");
  counts_->setToolTip("上次处理的结果；点一个数字，只看这一类的文件");
  counts_->setContentsMargins(6, 4, 6, 4);
  connect(counts_, &QLabel::linkActivated, this, [this](const QString& target) {
    openCount(target == kAllRows ? std::nullopt : std::optional(static_cast<RunCount>(target.toInt())));
  });

  table_ = new QTableWidget(0, static_cast<int>(std::size(kReasonsHeader)), this);
  table_->setObjectName("logReasons");
  QStringList header;
  for (const char* title : kReasonsHeader) header << QString::fromUtf8(title);
  table_->setHorizontalHeaderLabels(header);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(true);
  using Lines = PathPartDelegate::Lines;
  table_->setItemDelegateForColumn(kName, new PathPartDelegate(Lines::Wrapped, table_));
  table_->setItemDelegateForColumn(kFolder, new PathPartDelegate(Lines::One, table_));
  QHeaderView* columns = table_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Stretch);
  columns->setSectionResizeMode(kKind, QHeaderView::ResizeToContents);
  columns->setSectionResizeMode(kProblem, QHeaderView::ResizeToContents);

  fitRows_.setSingleShot(true);
  fitRows_.setInterval(0);
  connect(&fitRows_, &QTimer::timeout, table_, &QTableWidget::resizeRowsToContents);
  connect(columns, &QHeaderView::sectionResized, this, [this] { fitRows_.start(); });

  auto* whole = new QVBoxLayout(this);
  whole->setContentsMargins(0, 0, 0, 0);
  whole->setSpacing(0);
  whole->addWidget(counts_);
  whole->addWidget(table_);
}

// Entries are only ever appended.
void ReasonsView::refresh() {
  counts_->setText(TallyLinks(tally_, true));
  for (int row = table_->rowCount(); static_cast<size_t>(row) < entries_.size(); ++row) {
    const ReasonRow shown = ReasonRowOf(entries_[static_cast<size_t>(row)]);
    table_->insertRow(row);
    table_->setItem(row, kKind, Cell(shown.kind, shown.kind));
    table_->setItem(row, kProblem, Cell(shown.problem, shown.hint));
    table_->setItem(row, kName, Cell(shown.name, shown.path));
    table_->setItem(row, kFolder, Cell(shown.folder, shown.path));
    table_->setItem(row, kReason, Cell(shown.reason, shown.reason));
    table_->setItem(row, kHint, Cell(shown.hint, shown.hint));
    table_->setItem(row, kDifferences, Cell(shown.differences, shown.differences));
    table_->resizeRowToContents(row);
  }
  showRows();
}

void ReasonsView::open() {
  if (!placed_) placeOverOwner();
  placed_ = true;
  show();
  raise();
  activateWindow();
}

// Over the upper part of the main window and inside the screen, so that the
// run commands at the main window's bottom stay in sight.
void ReasonsView::placeOverOwner() {
  const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
  if (owner == nullptr || !owner->isVisible()) return;
  const QRect room = owner->screen()->availableGeometry();
  const QRect home = owner->frameGeometry();
  const int width = std::min(kWidth, room.width());
  resize(width, std::min(kHeight, home.height() * 3 / 5));
  move(std::clamp(home.left(), room.left(), room.right() + 1 - width), home.top());
}

void ReasonsView::openCount(std::optional<RunCount> count) {
  shownCount_ = count;
  refresh();
  open();
}

// With a count chosen, the rows of the last run's entries of that count alone.
void ReasonsView::showRows() {
  for (int row = 0; row < table_->rowCount(); ++row) {
    const auto index = static_cast<size_t>(row);
    const bool shown = !shownCount_ || (index >= tally_.firstEntry && tally_.started &&
                                        CountOf(entries_[index].cause) == *shownCount_);
    table_->setRowHidden(row, !shown);
  }
}

}  // namespace sheetwise::ui::qt

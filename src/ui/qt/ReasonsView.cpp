#include "ui/qt/ReasonsView.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>

#include "ui/ReasonRows.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/PathPartDelegate.h"

namespace sheetwise::ui::qt {

namespace {

enum Column { kKind, kName, kFolder, kReason, kDifferences };

QTableWidgetItem* Cell(const std::string& text, const std::string& tooltip) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setToolTip(QString::fromStdString(tooltip));
  return item;
}

}  // namespace

ReasonsView::ReasonsView(const std::vector<batch::LogEntry>& entries, QWidget* parent)
    : QWidget(parent, Qt::Window), entries_(entries) {
  setObjectName("LogReasons");
  setWindowTitle("错误原因");
  setFont(WindowFont(kSong, 9));
  resize(900, 360);

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

  fitRows_.setSingleShot(true);
  fitRows_.setInterval(0);
  connect(&fitRows_, &QTimer::timeout, table_, &QTableWidget::resizeRowsToContents);
  connect(columns, &QHeaderView::sectionResized, this, [this] { fitRows_.start(); });

  auto* whole = new QVBoxLayout(this);
  whole->setContentsMargins(0, 0, 0, 0);
  whole->addWidget(table_);
}

// Entries are only ever appended.
void ReasonsView::refresh() {
  for (int row = table_->rowCount(); static_cast<size_t>(row) < entries_.size(); ++row) {
    const ReasonRow shown = ReasonRowOf(entries_[static_cast<size_t>(row)]);
    table_->insertRow(row);
    table_->setItem(row, kKind, Cell(shown.kind, shown.kind));
    table_->setItem(row, kName, Cell(shown.name, shown.path));
    table_->setItem(row, kFolder, Cell(shown.folder, shown.path));
    table_->setItem(row, kReason, Cell(shown.reason, shown.reason));
    table_->setItem(row, kDifferences, Cell(shown.differences, shown.differences));
    table_->resizeRowToContents(row);
  }
}

void ReasonsView::open() {
  show();
  raise();
  activateWindow();
}

}  // namespace sheetwise::ui::qt

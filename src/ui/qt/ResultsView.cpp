#include "ui/qt/ResultsView.h"

#include <QAbstractTableModel>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>

#include "ui/Dialogs.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/PathPartDelegate.h"
#include "ui/qt/ResultsText.h"
#include "ui/qt/SongText.h"

namespace sheetwise::ui::qt {

// The records as table rows; records are only ever appended.
class ResultsTableModel final : public QAbstractTableModel {
 public:
  ResultsTableModel(const extract::ExtractionResults& results, QObject* parent)
      : QAbstractTableModel(parent), results_(results) {}

  void catchUp() {
    const int now = static_cast<int>(results_.size());
    if (now == shown_) return;
    if (now < shown_) {
      beginResetModel();
      shown_ = now;
      endResetModel();
      return;
    }
    beginInsertRows({}, shown_, now - 1);
    shown_ = now;
    endInsertRows();
  }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : shown_; }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(std::size(kResultsHeader));
  }
  // A workbook's whole path and a long text show in full as the tooltip.
  QVariant data(const QModelIndex& index, int role) const override {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || index.row() >= shown_) return {};
    const auto fields = ResultFields(results_[static_cast<size_t>(index.row())]);
    return QString::fromStdString(fields[static_cast<size_t>(index.column())]);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return QString::fromUtf8(kResultsHeader[section]);
  }

 private:
  const extract::ExtractionResults& results_;
  int shown_ = 0;
};

namespace {

constexpr int kRowPadding = 6;  // pixels of a row beyond its text line

QString AskForCsvPath(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, "导出 CSV", "提取结果.csv", "CSV 文件 (*.csv)");
}

}  // namespace

ResultsView::ResultsView(const extract::ExtractionResults& results, QWidget* parent)
    : QWidget(parent, Qt::Window), results_(results) {
  setObjectName("ExtractionResults");
  setWindowTitle("提取结果");
  setFont(WindowFont(kSong, 9));
  resize(640, 360);
  chooseSavePath_ = [this] { return AskForCsvPath(this); };

  model_ = new ResultsTableModel(results_, this);
  table_ = new QTableView(this);
  table_->setObjectName("resultsTable");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->setItemDelegateForColumn(0, new PathPartDelegate(PathPartDelegate::Lines::One, table_));
  table_->verticalHeader()->setDefaultSectionSize(SongLineOf(font()).height + kRowPadding);
  // The workbook and the text share what the window's width leaves.
  QHeaderView* columns = table_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Stretch);
  columns->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  columns->setSectionResizeMode(2, QHeaderView::ResizeToContents);

  auto* copyButton = new QPushButton("复制", this);
  copyButton->setObjectName("copyResults");
  connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
  auto* exportButton = new QPushButton("导出 CSV…", this);
  exportButton->setObjectName("exportResults");
  connect(exportButton, &QPushButton::clicked, this, [this] { exportCsv(); });

  auto* commands = new QHBoxLayout;
  commands->addStretch();
  commands->addWidget(copyButton);
  commands->addWidget(exportButton);
  auto* column = new QVBoxLayout(this);
  column->addWidget(table_);
  column->addLayout(commands);
}

void ResultsView::refresh() {
  const bool firstResults = model_->rowCount() == 0 && !results_.empty();
  model_->catchUp();
  if (firstResults) open();
}

void ResultsView::open() {
  show();
  raise();
  activateWindow();
}

void ResultsView::copy() {
  std::vector<size_t> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) {
    for (size_t i = 0; i < results_.size(); ++i) rows.push_back(i);
  }
  QGuiApplication::clipboard()->setText(QString::fromStdString(ResultsTabText(results_, rows)));
}

void ResultsView::exportCsv() {
  const QString path = chooseSavePath_();
  if (path.isEmpty()) return;
  std::ofstream file(path.toStdString(), std::ios::binary | std::ios::trunc);
  file << ResultsCsv(results_);
  file.close();
  if (!file) QMessageBox::warning(this, kAppTitle, "无法写入文件：" + path);
}

}  // namespace sheetwise::ui::qt

#include "ui/qt/PreviewView.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <algorithm>

#include "ui/qt/Fonts.h"
#include "ui/qt/Mirror.h"
#include "ui/qt/SampleGridModel.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::ui::qt {

namespace {

const QColor kChanged{255, 230, 100};
const QColor kInserted{190, 235, 190};
const QColor kDeleted{245, 190, 190};
constexpr QSize kOpeningSize{1000, 620};

// Row by row, then column by column: the order the changed cells are listed in.
bool InSheetOrder(const CellMark& a, const CellMark& b) {
  return a.row != b.row ? a.row < b.row : a.column < b.column;
}

}  // namespace

// One side of the comparison: a sample grid whose changed cells are yellow,
// with the other side's text as tooltip, and whose rows without a partner
// (inserted after, deleted before) take the side's own colour.
struct Side {
  const SampleGrid& grid;
  const std::vector<CellMark>& changed;  // in sheet order
  const std::vector<int>& otherRowOf;  // for each row: the other side's row, 0 for none
  QColor unpaired;
  const char* unpairedTip;
};

class MarkedGridModel final : public SampleGridModel {
 public:
  MarkedGridModel(Side side, const SampleGrid& other, const char* otherName, QObject* parent)
      : SampleGridModel(side.grid, parent), side_(side), other_(other), otherName_(otherName) {}

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::BackgroundRole && role != Qt::ToolTipRole) return SampleGridModel::data(index, role);
    const int row = index.row() + 1;
    const int otherRow = row <= static_cast<int>(side_.otherRowOf.size()) ? side_.otherRowOf[row - 1] : -1;
    if (otherRow == 0) return role == Qt::BackgroundRole ? QVariant(side_.unpaired) : QVariant(side_.unpairedTip);
    const CellMark cell{row, index.column() + 1};
    if (!std::binary_search(side_.changed.begin(), side_.changed.end(), cell, InSheetOrder)) return {};
    if (role == Qt::BackgroundRole) return kChanged;
    return QString(otherName_) + "：" + Q(other_.text(otherRow, cell.column));
  }

 private:
  Side side_;
  const SampleGrid& other_;
  const char* otherName_;
};

PreviewView::PreviewView(SamplePreview& form, QWidget* parent) : QWidget(parent, Qt::Window), form_(form) {
  setObjectName("preview");
  setWindowIcon(parent != nullptr ? parent->windowIcon() : QIcon());
  setFont(WindowFont(kSong, 10.5));
  outcome_ = new QLabel(this);
  outcome_->setObjectName("previewOutcome");
  outcome_->setWordWrap(true);
  outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  beforeTitle_ = new QLabel(this);
  afterTitle_ = new QLabel(this);
  before_ = new SampleGridView(this);
  after_ = new SampleGridView(this);
  before_->setObjectName("previewBefore");
  after_->setObjectName("previewAfter");
  const SheetChanges& changes = form_.changes;
  beforeCells_ = new MarkedGridModel({form_.before, changes.before, changes.afterRowOf, kDeleted, "规则删除了这一行"},
                                     form_.after, "修改后", this);
  afterCells_ = new MarkedGridModel({form_.after, changes.after, changes.beforeRowOf, kInserted, "规则插入了这一行"},
                                    form_.before, "修改前", this);
  before_->setModel(beforeCells_);
  after_->setModel(afterCells_);
  // Either grid scrolled, the other follows: the same cells stay side by side.
  for (auto [from, to] : {std::pair{before_, after_}, std::pair{after_, before_}}) {
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(), &QScrollBar::setValue);
    connect(from->horizontalScrollBar(), &QScrollBar::valueChanged, to->horizontalScrollBar(), &QScrollBar::setValue);
  }

  differencesTitle_ = new QLabel("保存后的检查发现的差异（规则没有改动的地方）：", this);
  differences_ = new QListWidget(this);
  differences_->setObjectName("previewDifferences");
  differences_->setMaximumHeight(120);

  auto* sides = new QHBoxLayout;
  for (auto [title, grid] : {std::pair{beforeTitle_, before_}, std::pair{afterTitle_, after_}}) {
    auto* side = new QVBoxLayout;
    side->addWidget(title);
    side->addWidget(grid, 1);
    sides->addLayout(side, 1);
  }
  auto* whole = new QVBoxLayout(this);
  whole->addWidget(outcome_);
  whole->addLayout(sides, 1);
  whole->addWidget(differencesTitle_);
  whole->addWidget(differences_);
  resize(kOpeningSize);
  refresh();
}

void PreviewView::refresh() {
  if (!form_.visible) {
    shownRequests_ = form_.raiseRequests;
    if (isVisible()) hide();
  } else if (form_.raiseRequests != shownRequests_) {
    shownRequests_ = form_.raiseRequests;
    load();
  }
}

void PreviewView::load() {
  const QString file = QFileInfo(Q(form_.sample)).fileName();
  setWindowTitle(Q(form_.Caption) + "：" + file);
  outcome_->setText(Q(form_.outcome));
  beforeTitle_->setText("修改前：" + file + "，工作表“" + Q(form_.sheetName) + "”");
  beforeTitle_->setToolTip(Q(form_.sample));
  afterTitle_->setText(form_.after.rows() > 0 ? "修改后（指向黄色的单元格可看另一边的内容）"
                                              : "修改后：没有写出修改后的工作簿");
  beforeCells_->reload();
  afterCells_->reload();
  differences_->clear();
  for (const auto& difference : form_.differences) differences_->addItem(Q(difference));
  differencesTitle_->setVisible(!form_.differences.empty());
  differences_->setVisible(!form_.differences.empty());
  show();
  raise();
  activateWindow();
}

void PreviewView::closeEvent(QCloseEvent* event) {
  event->accept();
  form_.visible = false;
}

}  // namespace sheetwise::ui::qt

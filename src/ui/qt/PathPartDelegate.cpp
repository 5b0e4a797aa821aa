#include "ui/qt/PathPartDelegate.h"

namespace sheetwise::ui::qt {

void PathPartDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (lines_ == Lines::One) {
    option->features &= ~QStyleOptionViewItem::WrapText;
  } else {
    option->features |= QStyleOptionViewItem::WrapText;
  }
  option->textElideMode = Qt::ElideLeft;
}

}  // namespace sheetwise::ui::qt

#pragma once
// Shows a path, or a part of one; where its column is too narrow, a line
// loses its beginning, so that the end of a folder and a file's name stay in
// sight. A file's name may wrap onto further lines; a folder stays on one.

#include <QStyledItemDelegate>

namespace sheetwise::ui::qt {

class PathPartDelegate final : public QStyledItemDelegate {
 public:
  enum class Lines { One, Wrapped };
  PathPartDelegate(Lines lines, QObject* parent) : QStyledItemDelegate(parent), lines_(lines) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  Lines lines_;
};

}  // namespace sheetwise::ui::qt

#include "ui/qt/SampleGridModel.h"

#include <algorithm>

namespace sheetwise::ui::qt {

void SampleGridModel::reload() {
  beginResetModel();
  endResetModel();
}

int SampleGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(0, grid_.rows() - 1);
}

int SampleGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(0, grid_.columns() - 1);
}

QVariant SampleGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return QString::fromStdString(grid_.text(index.row() + 1, index.column() + 1));
}

QVariant SampleGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  const bool across = orientation == Qt::Horizontal;
  return QString::fromStdString(across ? grid_.text(0, section + 1) : grid_.text(section + 1, 0));
}

}  // namespace sheetwise::ui::qt

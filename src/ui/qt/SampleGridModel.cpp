#include "ui/qt/SampleGridModel.h"

#include <algorithm>
#include <string>

#include "ui/handlers/GridPicker.h"

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

// The fixed row and column show the column letters and row numbers that a
// picked cell writes into its rule, before any text the sample gives them.
QVariant SampleGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  const bool across = orientation == Qt::Horizontal;
  const std::string mark = across ? rules::GridColumnCharacter(section + 1) : std::to_string(section + 1);
  const std::string text = across ? grid_.text(0, section + 1) : grid_.text(section + 1, 0);
  return QString::fromStdString(text.empty() ? mark : mark + " " + text);
}

}  // namespace sheetwise::ui::qt

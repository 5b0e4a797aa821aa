#pragma once
// The sample grid's cells for a Qt table view: the grid's fixed row 0 and
// fixed column 0 are the view's headers, its white cells from (1, 1) on the
// view's cells from (0, 0) on. Reads the grid model directly; reload() after
// the grid was filled or emptied.

#include <QAbstractTableModel>

#include "ui/Form2.h"

namespace sheetwise::ui::qt {

class SampleGridModel : public QAbstractTableModel {
 public:
  explicit SampleGridModel(const SampleGrid& grid, QObject* parent = nullptr)
      : QAbstractTableModel(parent), grid_(grid) {}

  void reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const SampleGrid& grid_;
};

}  // namespace sheetwise::ui::qt

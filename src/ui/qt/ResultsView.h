#pragma once
// The extraction results window: every cell that extraction mode has read,
// with the workbook it came from, and the commands to copy them and to
// export them as CSV. It stands apart from the main window so that no
// control of the main window's fixed layout moves; it opens by itself when
// the first results arrive and again from the main window (Ctrl+E, or the
// context menu of the error log and of the frame "小偷类"). The error log's
// reasons have a window of their own (ReasonsView.h).

#include <QString>
#include <QWidget>
#include <functional>

#include "extract/ExtractionResults.h"

class QTableView;

namespace sheetwise::ui::qt {

class ResultsTableModel;

class ResultsView final : public QWidget {
 public:
  ResultsView(const extract::ExtractionResults& results, QWidget* parent);

  // Shows the records added since the last refresh.
  void refresh();
  void open();
  // Copies the selected records, or all of them when none is selected.
  void copy();
  void exportCsv();
  // Asks for the CSV file's path; "" when cancelled. A save dialog unless replaced.
  void setSavePathChooser(std::function<QString()> chooser) { chooseSavePath_ = std::move(chooser); }

 private:
  const extract::ExtractionResults& results_;
  ResultsTableModel* model_;
  QTableView* table_;
  std::function<QString()> chooseSavePath_;
};

}  // namespace sheetwise::ui::qt

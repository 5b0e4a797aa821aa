#pragma once
// The extraction results window: every cell that extraction mode has read,
// with the workbook it came from, and the commands to copy them and to
// export them as CSV. It stands apart from the main window so that no
// control of the main window's fixed layout moves; it opens by itself when
// the first results arrive and again from the main window (Ctrl+E, or the
// context menu of the error log and of the frame "小偷类"). A second tab lists
// the error log's entries with the reason of each and the differences found
// by the verification of a save.

#include <QString>
#include <QWidget>
#include <functional>

#include "batch/RunLog.h"
#include "extract/ExtractionResults.h"

class QTableView;
class QTableWidget;

namespace sheetwise::ui::qt {

class ResultsTableModel;

class ResultsView final : public QWidget {
 public:
  ResultsView(const extract::ExtractionResults& results, const std::vector<batch::LogEntry>& logEntries,
              QWidget* parent);

  // Shows the records and log entries added since the last refresh.
  void refresh();
  void open();
  // Copies the selected records, or all of them when none is selected.
  void copy();
  void exportCsv();
  // Asks for the CSV file's path; "" when cancelled. A save dialog unless replaced.
  void setSavePathChooser(std::function<QString()> chooser) { chooseSavePath_ = std::move(chooser); }

 private:
  void catchUpLog();

  const extract::ExtractionResults& results_;
  const std::vector<batch::LogEntry>& logEntries_;
  QTableWidget* logTable_;
  ResultsTableModel* model_;
  QTableView* table_;
  std::function<QString()> chooseSavePath_;
};

}  // namespace sheetwise::ui::qt

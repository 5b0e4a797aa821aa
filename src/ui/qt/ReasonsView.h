#pragma once
// The window "错误原因": at the top the counts of the last run, each count a
// link that shows that count's rows alone; below, every error-log entry in the
// list's order, with the log's category, the problem in plain words, the file
// it names as name and folder (the name wrapped, the folder cut at the left
// where its column is too narrow, the whole path as tooltip), the reason, what
// to do, and the differences found by the check of a save. The columns share
// the window's width. It stands apart from the main window so that no control
// of the fixed layout moves; the error log's context menu, the counts of the
// status line and Ctrl+R open it.

#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "batch/RunLog.h"
#include "ui/EntryKinds.h"

class QLabel;
class QTableWidget;

namespace sheetwise::ui::qt {

inline constexpr const char* kReasonsHeader[] = {"类别", "问题", "文件名", "所在目录", "原因", "怎么办", "保存校验的差异"};

// The run's counts as rich text, each count but "已处理" a link whose target
// is the count's number (RunCount), "全部" a link to every row when all.
QString TallyLinks(const RunTally& tally, bool withAll);

class ReasonsView final : public QWidget {
 public:
  ReasonsView(const std::vector<batch::LogEntry>& entries, const RunTally& tally, QWidget* parent);

  // Shows the entries added since the last refresh and the run's counts.
  void refresh();
  void open();
  // Opens the window with the rows of that count of the last run alone;
  // none: every row.
  void openCount(std::optional<RunCount> count);

 private:
  void showRows();
  void placeOverOwner();

  const std::vector<batch::LogEntry>& entries_;
  const RunTally& tally_;
  std::optional<RunCount> shownCount_;
  bool placed_ = false;
  QLabel* counts_;
  QTableWidget* table_;
  QTimer fitRows_;  // wrapped texts take their height again once the columns are resized
};

}  // namespace sheetwise::ui::qt

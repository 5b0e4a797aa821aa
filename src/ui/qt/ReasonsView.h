#pragma once
// The window "错误原因": every error-log entry in the list's order, with the
// file it names as name and folder (the name wrapped, the folder cut at the
// left where its column is too narrow, the whole path as tooltip), the reason
// and the differences found by the check of a save. The columns share the
// window's width. It stands apart from the main window so that no control of
// the fixed layout moves; the error log's context menu and Ctrl+R open it.

#include <QTimer>
#include <QWidget>
#include <vector>

#include "batch/RunLog.h"

class QTableWidget;

namespace sheetwise::ui::qt {

inline constexpr const char* kReasonsHeader[] = {"类别", "文件名", "所在目录", "原因", "保存校验的差异"};

class ReasonsView final : public QWidget {
 public:
  ReasonsView(const std::vector<batch::LogEntry>& entries, QWidget* parent);

  // Shows the entries added since the last refresh.
  void refresh();
  void open();

 private:
  const std::vector<batch::LogEntry>& entries_;
  QTableWidget* table_;
  QTimer fitRows_;  // wrapped texts take their height again once the columns are resized
};

}  // namespace sheetwise::ui::qt

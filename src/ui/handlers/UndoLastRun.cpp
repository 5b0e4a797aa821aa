#include "ui/handlers/UndoLastRun.h"

#include <atomic>
#include <sstream>

#include "cli/ReportReader.h"
#include "cli/UndoRun.h"
#include "host/Translate.h"

namespace sheetwise::batch {

const char* const kUndoWhileRunning = "正在运行：请等这次运行结束（或停止后再按“开始”完成它）再撤销。";
const char* const kNothingToUndo =
    "没有可以撤销的运行：只有勾选“在源文件上修改”的运行才保留被改写的原文件，"
    "这样的运行还没有做过，或者它保留的原文件已经删除。";
const char* const kUndoGoOn = "撤销";

namespace {

// Exit status of an undo whose run's report cannot be read.
constexpr int kReportUnreadable = 2;
// The files left that the message names; the undo's report has them all.
constexpr size_t kLeftShown = 10;

}  // namespace

std::string UndoQuestion(const std::string& runReport) {
  return "撤销上次运行：把上次“在源文件上修改”改写的文件换回原文件。\n"
         "运行后又改动过的文件保持不变，不会被换回。\n\n运行的报告：" +
         runReport + "\n\n确定要撤销吗？";
}

std::string UndoResultText(const std::vector<ReportRow>& undone, const std::string& undoReport) {
  const std::string alreadyReason = Tr("it holds its original already");
  size_t putBack = 0, already = 0;
  std::vector<const ReportRow*> left;
  for (const auto& row : undone) {
    if (row.outcome == ReportOutcome::Processed) {
      ++putBack;
    } else if (row.outcome == ReportOutcome::Skipped && row.reason == alreadyReason) {
      ++already;
    } else {
      left.push_back(&row);
    }
  }
  std::string text = "已换回原文件：" + std::to_string(putBack) + " 个。";
  if (already > 0) text += "\n本来就是原文件（已撤销过）：" + std::to_string(already) + " 个。";
  if (!left.empty()) {
    text += "\n没有换回：" + std::to_string(left.size()) + " 个——";
    for (size_t i = 0; i < left.size() && i < kLeftShown; ++i) {
      text += "\n" + left[i]->source + "：" + left[i]->reason;
    }
    if (left.size() > kLeftShown) text += "\n……另有 " + std::to_string(left.size() - kLeftShown) + " 个，见报告。";
  }
  return text + "\n\n撤销的报告：" + undoReport;
}

void UndoLastRun(ui::Form1& form, ui::Dialogs& dialogs, const InPlaceRuns& runs) {
  if (form.runState != ui::RunState::Idle) {
    dialogs.message(kUndoWhileRunning, ui::MessageStyle::Plain);
    return;
  }
  const std::string report = runs.lastReport();
  if (report.empty()) {
    dialogs.message(kNothingToUndo, ui::MessageStyle::Plain);
    return;
  }
  if (!dialogs.confirm(UndoQuestion(report), kUndoGoOn)) return;
  std::ostringstream out, err;
  std::atomic<bool> interrupted{false};
  const std::string undoReport = UndoReportFor(report);
  const int status = UndoRun(report, undoReport, true, {out, err}, interrupted);
  try {
    if (status == kReportUnreadable) throw ReportUnreadable(err.str());
    dialogs.message(UndoResultText(ReadReport(undoReport).rows, undoReport), ui::MessageStyle::Plain);
  } catch (const ReportUnreadable& e) {
    dialogs.message("无法撤销：" + std::string(e.what()), ui::MessageStyle::Plain);
  }
}

}  // namespace sheetwise::batch

#include "ui/handlers/BatchDriver.h"

#include "batch/FolderScan.h"
#include "batch/RunPlan.h"
#include "batch/OutputNaming.h"
#include "host/HostError.h"
#include "ui/OfficeMissing.h"
#include "ui/FormSettings.h"

namespace sheetwise::batch {

const char* const kChooseSourceFirst = "请先用\"打开目录\"选择源目录";
const char* const kInPlaceGoOn = "改写源文件";
const char* const kOriginalsNotKept = "无法保留被改写的原文件，这次运行没有开始：";

// Whether the originals are kept, and where, the question says plainly.
std::string InPlaceQuestion(size_t workbooks, const std::string& keptIn) {
  const std::string kept =
      keptIn.empty() ? "改写后的文件替换原文件，原文件不会保留，改写后无法恢复。"
                     : "改写后的文件替换原文件；每个被替换的原文件都保留在\n" + keptIn +
                           "\n运行后可以用“撤销上次运行”换回原文件（运行后又改动过的文件保持不变）。";
  return "“在源文件上修改”已勾选：将直接改写 " + std::to_string(workbooks) +
         " 个源文件（规则没有改动的文件保持原样）。\n" + kept +
         "\n“文件名保存规则”在这种方式下不起作用。\n\n确定要改写这些源文件吗？";
}

namespace {

constexpr int kCleanUpTick = 10;

}  // namespace

void BatchDriver::Command4_Click() {
  form_.tickCounter = 0;
  form_.namePrefix = MakeNamePrefix(form_.Text8.text, host::DateText(ports_.clock.now()));
  if (!startChecksPass() || !inPlaceConfirmed() || !originalsKept()) {
    // A refused or cancelled start also ends the run it would have restarted:
    // nothing is left to resume.
    if (form_.runState != ui::RunState::Idle) setPanelsEnabled(true);
    setRunState(ui::RunState::Idle);
    endKeeping();
    return;
  }
  setPanelsEnabled(false);
  form_.Timer1.interval = form_.HScroll1.value;
  setRunState(ui::RunState::Running);
  form_.startTotal = static_cast<int>(form_.List2.items.size());
  form_.tally = {true, ports_.logEntries.size(), 0, {}};
  ports_.logFile.startRun();
}

void Check1_Click(ui::Form1& form) {
  const bool copies = form.Check1.value != 1;
  for (ui::TextBox* field : {&form.Text6, &form.Text7, &form.Text8, &form.Text11}) field->enabled = copies;
}

void BatchDriver::Command6_Click() { pause(); }
void BatchDriver::Command8_Click() { pause(); }

void BatchDriver::Command7_Click() {
  if (form_.runState == ui::RunState::Paused) setRunState(ui::RunState::Running);
}

void BatchDriver::pause() {
  if (form_.runState == ui::RunState::Running) setRunState(ui::RunState::Paused);
}

// The timer runs exactly while a run is under way; 继续 can be pressed only
// while one is paused.
void BatchDriver::setRunState(ui::RunState state) {
  form_.runState = state;
  form_.Timer1.enabled = state == ui::RunState::Running;
  form_.Command7.enabled = state == ui::RunState::Paused;
}

bool BatchDriver::savesOverSources() const {
  return form_.Check1.value == 1 && form_.Check2.value != 1 && !form_.List2.items.empty();
}

// Saving over the sources is asked once per start, with "取消" as the default
// answer. Extraction writes nothing and is not asked.
bool BatchDriver::inPlaceConfirmed() {
  if (!savesOverSources()) return true;
  const std::string keptIn = ports_.inPlaceRuns != nullptr ? ports_.inPlaceRuns->folder().string() : "";
  return ports_.dialogs.confirm(InPlaceQuestion(form_.List2.items.size(), keptIn), kInPlaceGoOn);
}

// A run over the sources keeps the originals it replaces, or does not start:
// the question has promised that it can be taken back.
bool BatchDriver::originalsKept() {
  if (ports_.inPlaceRuns == nullptr) return true;
  if (!savesOverSources()) {
    endKeeping();
    return true;
  }
  try {
    ports_.inPlaceRuns->start(ui::RunSettingsOf(form_));
    return true;
  } catch (const std::runtime_error& e) {
    ports_.dialogs.message(kOriginalsNotKept + std::string(e.what()), ui::MessageStyle::Plain);
    return false;
  }
}

bool BatchDriver::startChecksPass() {
  // After a cancelled source choice the source field reads "/" while the
  // queue still holds the earlier folder's files: every "/" of their paths
  // would be taken for the source folder and the copies written to nonsense
  // paths. The run is refused instead.
  if (!form_.List2.items.empty() && (form_.Text4.text.empty() || form_.Text4.text == "/")) {
    ports_.dialogs.message(kChooseSourceFirst, ui::MessageStyle::Plain);
    return false;
  }
  if (const auto problem = SaveSettingsProblem(ui::NamingRulesOf(form_))) {
    ports_.dialogs.message(*problem, ui::MessageStyle::Plain);
    return false;
  }
  if (const auto problem = planProblem()) {
    ports_.dialogs.message(PlanProblemTextForWindow(*problem), ui::MessageStyle::Plain);
    return false;
  }
  return true;
}

// The save folder's own workbooks are no sources (they are this run's copies),
// then the whole plan is checked before any file is written.
std::optional<PlanProblem> BatchDriver::planProblem() {
  const RunSettings settings = ui::RunSettingsOf(form_);
  const bool extraction = form_.Check2.value == 1;
  if (!settings.inPlace && !extraction) {
    FolderTree tree{form_.List1.items, WorkbookPaths(form_.List2.items), {}};
    LeaveOutFolder(tree, settings.naming.saveFolder);
    form_.List1.items = std::move(tree.folders);
    form_.List2.items = tree.workbooks.strings();
  }
  return CheckRunPlan(settings, extraction, WorkbookPaths(form_.List2.items), form_.List1.items,
                      {"", ports_.logFile.file().string(), "", ""});
}

// The run over the sources, if one is open, keeps no more originals.
void BatchDriver::endKeeping() {
  if (ports_.inPlaceRuns != nullptr) ports_.inPlaceRuns->end();
}

void BatchDriver::setPanelsEnabled(bool enabled) {
  form_.Frame1.enabled = enabled;
  form_.Command2.enabled = enabled;
  form_.Command5.enabled = enabled;
  form_.Frame2.enabled = enabled;
  // A new choice of kinds would queue the folders' files again; ticking
  // 在源文件上修改 would rewrite the remaining sources without being asked.
  for (ui::CheckBox* kind : {&form_.TypeXls, &form_.TypeXlsx, &form_.TypeXlsm, &form_.TypeOds, &form_.Check1}) {
    kind->enabled = enabled;
  }
  // No run is taken back while one is under way.
  form_.UndoLastRun.enabled = enabled;
}

void BatchDriver::Timer1_Timer() {
  if (form_.runState != ui::RunState::Running) return;  // a timeout that came after the run stopped
  if (++form_.tickCounter == kCleanUpTick) {
    ports_.dialogs.processPendingEvents();
    ports_.endOfficeProcesses();
    form_.tickCounter = 0;
    return;
  }
  if (form_.List2.items.empty()) {
    endRun();
  } else {
    try {
      processFirstQueued();
    } catch (const host::HostUnavailable& e) {
      stopForMissingOffice(e.what());
      return;
    }
  }
  showProgress();
}

void BatchDriver::processFirstQueued() {
  form_.Timer1.interval = form_.HScroll1.value;
  const std::string path = form_.List2.items.front();
  const size_t entriesBefore = ports_.logEntries.size();
  if (form_.Check2.value == 1) {
    ports_.extractWorkbook(path);
  } else {
    ports_.processWorkbook(path);
  }
  form_.tally.addWorkbook(ports_.logEntries, entriesBefore);
  if (!form_.List2.items.empty()) form_.List2.items.erase(form_.List2.items.begin());
  if (const auto notice = ports_.logFile.takeWriteFailureNotice()) {
    ports_.dialogs.message(*notice, ui::MessageStyle::Plain);
  }
}

void BatchDriver::endRun() {
  endKeeping();
  setPanelsEnabled(true);
  setRunState(ui::RunState::Idle);
  ports_.dialogs.processPendingEvents();
  ports_.endOfficeProcesses();
  ports_.dialogs.message("ok", ui::MessageStyle::Information);
}

// Without an office no file can be processed: the run stops, the file in hand
// stays queued with the rest, and the user is told once how to mend it.
void BatchDriver::stopForMissingOffice(const std::string& reason) {
  endKeeping();
  setRunState(ui::RunState::Idle);
  setPanelsEnabled(true);
  ports_.dialogs.message(ui::RunStoppedForOfficeMessage(reason), ui::MessageStyle::Plain);
}

void BatchDriver::showProgress() {
  const int queued = static_cast<int>(form_.List2.items.size());
  if (form_.startTotal != 0) {
    const double done = form_.startTotal - queued;
    form_.Shape2.width = static_cast<float>(form_.Shape1.width * done / form_.startTotal);
  }
  form_.Label8.caption = "估计剩下：" + EstimatedSeconds(static_cast<size_t>(queued)) + " 秒";
}

}  // namespace sheetwise::batch

#pragma once
// Turns the file queue into a run: "开始" checks the save settings, makes the
// mirrored folders and starts the driver timer; every tick processes the first
// queued file, or on every tenth tick ends the office it started instead;
// "暂停" and "停止" pause a run, "继续" resumes a paused one and nothing else.
// A start that would save over the sources asks first.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/LogFile.h"
#include "batch/RunLog.h"
#include "batch/RunPlan.h"
#include "host/Clock.h"
#include "ui/handlers/InPlaceRuns.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

struct DriverPorts {
  ui::Dialogs& dialogs;
  host::Clock& clock;
  LogFile& logFile;
  const std::vector<LogEntry>& logEntries;  // the error log's entries, which the run's counts read
  std::function<void(const std::string&)> processWorkbook;  // editing mode
  std::function<void(const std::string&)> extractWorkbook;  // extraction mode
  std::function<void()> endOfficeProcesses;
  // Where in-place runs keep their originals; none are kept without it.
  InPlaceRuns* inPlaceRuns = nullptr;
};

// Shown when "开始" finds queued files but no source folder.
extern const char* const kChooseSourceFirst;
// The question before a run that saves over its sources, and its button;
// keptIn: the folder where the originals are kept, "" when they are not.
std::string InPlaceQuestion(size_t workbooks, const std::string& keptIn);
extern const char* const kInPlaceGoOn;
// Said when an in-place run cannot keep its originals, before the reason.
extern const char* const kOriginalsNotKept;

// "在源文件上修改" clicked: the naming fields a run over the sources does not
// use (the file-name replacement, the prefix, the folder-name replacement's
// new text) are greyed out while it is ticked. The folder-name search text
// stays usable: it is still checked against the save folder.
void Check1_Click(ui::Form1& form);

class BatchDriver {
 public:
  BatchDriver(ui::Form1& form, DriverPorts ports) : form_(form), ports_(std::move(ports)) {}

  void Command4_Click();  // 开始
  void Command6_Click();  // 暂停
  void Command7_Click();  // 继续
  void Command8_Click();  // 停止
  void Timer1_Timer();    // one tick

 private:
  bool startChecksPass();
  bool savesOverSources() const;
  bool inPlaceConfirmed();
  bool originalsKept();
  void endKeeping();
  void pause();
  void setRunState(ui::RunState state);
  std::optional<PlanProblem> planProblem();
  void setPanelsEnabled(bool enabled);
  void processFirstQueued();
  void endRun();
  void stopForMissingOffice(const std::string& reason);
  void showProgress();

  ui::Form1& form_;
  DriverPorts ports_;
};

}  // namespace sheetwise::batch

#pragma once
// Turns the file queue into a run: "开始" checks the save settings, makes the
// mirrored folders and starts the driver timer; every tick processes the first
// queued file, or on every tenth tick ends the office it started instead;
// "暂停", "继续" and "停止" stop and restart the timer.

#include <functional>
#include <optional>
#include <string>

#include "batch/LogFile.h"
#include "batch/RunPlan.h"
#include "host/Clock.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

struct DriverPorts {
  ui::Dialogs& dialogs;
  host::Clock& clock;
  LogFile& logFile;
  std::function<void(const std::string&)> processWorkbook;  // editing mode
  std::function<void(const std::string&)> extractWorkbook;  // extraction mode
  std::function<void()> endOfficeProcesses;
};

// Shown when "开始" finds queued files but no source folder.
extern const char* const kChooseSourceFirst;

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

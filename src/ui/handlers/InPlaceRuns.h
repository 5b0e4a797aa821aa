#pragma once
// The window's in-place runs keep every original they replace, as the batch
// command's do: each run has a report ("run-DATE-TIME.csv") with its save
// journal and, beside it, its run folder of originals ("….originals"), all in
// one folder the user can find (WindowRunsFolder). 撤销上次运行 takes the
// last such run back from its report (UndoLastRun.h).

#include <filesystem>
#include <memory>
#include <string>

#include "batch/RunSettings.h"
#include "batch/WorkbookEngine.h"
#include "host/Clock.h"

namespace sheetwise::batch {

// $XDG_DATA_HOME/sheetwise/runs, else ~/.local/share/sheetwise/runs.
std::filesystem::path WindowRunsFolder();

class InPlaceRuns {
 public:
  // folder: where the reports and run folders are kept; made at the first run.
  InPlaceRuns(std::filesystem::path folder, host::Clock& clock);
  ~InPlaceRuns();

  const std::filesystem::path& folder() const { return folder_; }

  // Starts keeping the originals of a run of settings (in place): its report
  // and run folder are made. A run still open (paused and started again) goes
  // on in its own. Throws std::runtime_error saying why they cannot be made.
  void start(const RunSettings& settings);

  // One workbook through the engine. While a run is open, its original is
  // kept just before a save replaces it (a save whose original cannot be
  // kept replaces nothing) and the workbook gets its row in the report.
  WorkbookResult process(WorkbookEngine& engine, const std::string& path, RunSettings settings);

  // The open run ends: its report is closed; a run that replaced nothing
  // leaves neither report nor run folder.
  void end();

  // The report of the last run that kept originals, this session's or, after
  // a restart, the newest in the folder whose originals are still there; ""
  // when there is none.
  std::string lastReport() const { return last_; }

 private:
  struct OpenRun;

  std::filesystem::path newReportPath() const;

  std::filesystem::path folder_;
  host::Clock& clock_;
  std::unique_ptr<OpenRun> open_;
  std::string last_;
};

}  // namespace sheetwise::batch

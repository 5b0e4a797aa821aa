#pragma once
// Processes a queue of workbooks with several office processes side by side,
// each with its own profile and its own copy of the settings, and hands every
// file's outcome back in queue order on the calling thread.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "batch/RunLog.h"
#include "batch/RunSettings.h"
#include "batch/WorkbookPaths.h"
#include "batch/WorkbookEngine.h"
#include "extract/ExtractionResults.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {

struct FileOutcome {
  std::vector<LogEntry> logEntries;    // in the order the engine wrote them
  extract::ExtractionResults records;  // extraction mode
  WorkbookResult result;               // editing mode
  double seconds = 0;                  // time the workbook took
  // It failed for a reason another try may not meet: its office ended, crashed
  // or hung, or the disk was full.
  bool temporary = false;
};

struct ParallelRunOptions {
  int jobs = 1;
  bool extract = false;  // read cells instead of editing
  host::HostOptions host;
  const std::atomic<bool>* stop = nullptr;  // set: no new file is started
};

// Calls emit(index, outcome) for every processed file in queue order. Throws
// host::HostUnavailable when an office cannot be started (after the files
// already done were emitted).
void RunInParallel(const RunSettings& settings, const WorkbookPaths& queue,
                   const ParallelRunOptions& options,
                   const std::function<void(size_t, const FileOutcome&)>& emit);

}  // namespace sheetwise::batch

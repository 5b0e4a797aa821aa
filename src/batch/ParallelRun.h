#pragma once
// Processes a queue of workbooks with several office processes side by side,
// each with its own profile and its own copy of the settings, and hands every
// file's outcome back in queue order on the calling thread.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "extract/ExtractionResults.h"
#include "host/LibreOfficeHost.h"
#include "ui/Form1.h"

namespace sheetwise::batch {

struct FileOutcome {
  std::vector<std::string> logEntries;  // in the order the engine wrote them
  extract::ExtractionResults records;   // extraction mode
  std::string failureReason;            // what the engine's failure said, if any
};

struct ParallelRunOptions {
  int jobs = 1;
  host::HostOptions host;
  const std::atomic<bool>* stop = nullptr;  // set: no new file is started
};

// Calls emit(index, outcome) for every processed file in queue order. Throws
// host::HostUnavailable when an office cannot be started (after the files
// already done were emitted).
void RunInParallel(const ui::Form1& settings, const std::vector<std::string>& queue,
                   const ParallelRunOptions& options,
                   const std::function<void(size_t, const FileOutcome&)>& emit);

}  // namespace sheetwise::batch

#pragma once
// The batch command's exit status, which a batch scheduler acts on: a task
// that ended with 75 is worth running again (with --resume), one that ended
// with 1 or 2 is not.

#include <signal.h>

namespace sheetwise::batch {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailures = 1;        // failures that another try meets again
inline constexpr int kExitUsage = 2;           // bad arguments or a refused plan: nothing was touched
inline constexpr int kExitTemporary = 75;      // a failure another try may not meet (EX_TEMPFAIL)
inline constexpr int kExitInterrupted = 130;   // Ctrl-C, SIGHUP, or the output's reader went away
inline constexpr int kExitTerminated = 143;    // SIGTERM, as a scheduler stops a task

// How a run that got as far as its workbooks ended.
struct RunEnd {
  bool interrupted = false;  // stopped before the queue's end by a signal or a closed output
  bool failed = false;       // a workbook failed, or an output (report, CSV, log) could not be written
  // One of those failures may not come again: an office ended, crashed, hung
  // or could not start, or a disk was full.
  bool temporary = false;
  bool outputFailed = false;  // the run stopped because an output could not be written
};

int ExitStatus(const RunEnd& end);

// The status of a run stopped by signal; safe in a signal handler.
constexpr int InterruptedStatus(int signal) { return signal == SIGTERM ? kExitTerminated : kExitInterrupted; }

}  // namespace sheetwise::batch

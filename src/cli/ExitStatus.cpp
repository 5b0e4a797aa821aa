#include "cli/ExitStatus.h"

namespace sheetwise::batch {

int ExitStatus(const RunEnd& end) {
  // An output that could not be written stops the run as a signal does, but
  // it is a failure, not an interruption.
  if (end.interrupted && !end.outputFailed) return kExitInterrupted;
  if (end.temporary) return kExitTemporary;
  return end.failed || end.outputFailed ? kExitFailures : kExitDone;
}

}  // namespace sheetwise::batch

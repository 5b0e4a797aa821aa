#pragma once
// Everything that happens to one source workbook in editing mode: opened
// hidden, tested against the veto condition, edited by the whole rule list in
// order and saved under its output path or over itself. Every veto and failure
// becomes exactly one error-log entry, with its reason beside it; nothing is
// shown and nothing stops the batch. Only an office that cannot be started at
// all reaches the caller (host::HostUnavailable).

#include <string>
#include <vector>

#include "batch/RunLog.h"
#include "batch/RunSettings.h"
#include "host/Spreadsheet.h"

namespace sheetwise::batch {

// Unchecked: the workbook was written, but the check of its save could not
// be made (the reason says why).
enum class Outcome { Processed, Vetoed, Failed, Skipped, Unchecked };

struct WorkbookResult {
  Outcome outcome = Outcome::Processed;
  std::string output;                    // the file written, "" when none
  std::string reason;                    // why it failed, was vetoed or skipped; what the check of its save found
  std::vector<std::string> differences;  // what the verification of the save found
  bool temporary = false;                // failed for a reason another try may not meet (a full disk)
  bool lasting = false;                  // failed for a reason every try meets, though its office was ended
  std::vector<std::string> changes = {};  // what the rules changed (verify/RuleChanges.h); empty when nothing was written
};

class WorkbookEngine {
 public:
  WorkbookEngine(host::Application& office, RunLog& log) : office_(office), log_(log) {}

  // settings are read as they stand at this call.
  WorkbookResult ProcessWorkbook(const std::string& path, const RunSettings& settings);

 private:
  host::Application& office_;
  RunLog& log_;
};

}  // namespace sheetwise::batch

#pragma once
// The batch command: the same per-workbook engine and extraction run as the
// window, over a whole folder tree, without a display.

#include <atomic>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "host/LibreOfficeHost.h"

namespace sheetwise::batch {

struct CommandStreams {
  std::ostream& out;  // dry-run lines, the extraction CSV by default
  std::ostream& err;  // progress, log entries, the summary, errors
  bool errIsTerminal = false;
  std::istream& in = std::cin;  // the rule file of "--rules -"
};

// Exit status (ExitStatus.h): 0 no file failed, 1 some failed, 75 something
// failed that another try may not meet, 2 bad arguments, 130 interrupted (the
// workbooks in progress were finished). A closed output stream sets
// interrupted and ends the run the same way.
int RunBatchCommand(const std::vector<std::string>& args, CommandStreams io, std::atomic<bool>& interrupted,
                    const host::HostOptions& hostOptions = {});

}  // namespace sheetwise::batch

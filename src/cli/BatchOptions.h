#pragma once
// The options of the batch command, mirroring the main window's fields.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/RunSettings.h"

namespace sheetwise::batch {

// A command line that cannot be run; the message says what to fix.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct BatchOptions {
  std::string source;
  std::string rulesFile;  // "-": standard input
  std::string encoding;   // --encoding: the rule file's encoding; empty: decided from its bytes
  std::string save;
  bool inPlace = false;
  std::string sheet = "Sheet1";
  std::string vetoRow, vetoColumn, vetoValue;
  std::string prefix;
  std::string nameFrom, nameTo;
  std::string pathFrom, pathTo;
  bool extract = false;
  std::string output;  // extraction CSV; empty: standard output
  std::string log;     // empty: the default log file in the current directory
  std::string report;  // per-workbook report: CSV, or JSON Lines for *.jsonl; empty: none
  std::string resume;  // an earlier report whose workbooks done are skipped; empty: none
  int jobs = 0;        // 0: the number of processors, at most 4
  int officeMemory = 0;  // --office-memory: each office's limit in MB; 0: the default share
  int shardIndex = 1;  // 1-based; "--shard auto/N" takes it from the scheduler (SchedulerShard.h)
  int shardCount = 1;
  bool dryRun = false;
  bool quiet = false;
  bool csvRaw = false;  // CSV texts exactly, formula-like ones unguarded
  std::string backup;  // in place, the folder the run folder of originals goes in; empty: beside the report
  bool keepOriginals = true;  // in place; --no-backup keeps none
  std::string undo;    // the report of an in-place run to take back; empty: none
  std::string forget;  // the report of an in-place run whose originals go; empty: none
  bool verify = true;  // --no-verify turns the check of each save off
  bool strict = false;  // a difference found by the check fails the workbook
  bool changesFull = false;  // --changes-full: the report lists every change, not the first few
  int preview = 0;  // --preview N: edit the first N workbooks into a temporary folder and print what changed; 0: off
  std::vector<std::string> only;  // --only PATH...: the workbooks a preview takes instead of the plan's first ones
  bool keepOwner = true;  // --keep-owner=no: in place, a workbook may become this user's (group and mode kept)
  WorkbookKinds kinds;  // --types: the kinds of workbook taken, .xls alone by default
  bool help = false;
  bool version = false;
};

BatchOptions ParseBatchOptions(const std::vector<std::string>& args);

// The run's settings for these options: absolute folders ending in "/", the
// rule list, the sheet name, the veto condition and the file-name rules (the
// prefix as given; "日期" is replaced when the run starts).
RunSettings RunSettingsFor(const BatchOptions& options, const std::vector<std::string>& rules);

// The source folder as the run sees it: absolute, ending in "/".
std::string AsFolder(const std::string& path);

int DefaultJobs();

extern const char* const kBatchHelp;

}  // namespace sheetwise::batch

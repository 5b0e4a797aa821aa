#pragma once
// The batch command's per-workbook report: one row per workbook in queue
// order, written as each workbook is done, so an interrupted run keeps what
// was done. CSV (UTF-8, RFC 4180) with the columns source, outcome, output,
// reason, differences, seconds; JSON Lines when the file name ends in ".jsonl".

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sheetwise::batch {

// What became of one workbook, in the report's words.
enum class ReportOutcome { Processed, Vetoed, Failed, Skipped, NotStarted };

const char* OutcomeName(ReportOutcome outcome);

struct ReportRow {
  std::string source;
  ReportOutcome outcome = ReportOutcome::NotStarted;
  std::string output;  // the file written, "" when none
  std::string reason;  // why it failed or was vetoed or skipped, "" when nothing to say
  std::vector<std::string> differences;  // what the verification of the save found
  double seconds = 0;
};

// One CSV field or one row, as written.
std::string CsvReportRow(const ReportRow& row);
std::string JsonReportRow(const ReportRow& row);

class RunReport {
 public:
  // Creates or empties path; throws std::runtime_error with the reason when it cannot.
  explicit RunReport(const std::filesystem::path& path);
  void add(const ReportRow& row);

 private:
  std::ofstream out_;
  bool json_;
};

}  // namespace sheetwise::batch

#pragma once
// The batch command's per-workbook report: one row per workbook in queue
// order, written as each workbook is done, so an interrupted run keeps what
// was done. CSV (UTF-8, RFC 4180) with the columns source, outcome, output,
// reason, differences, seconds; JSON Lines when the file name ends in ".jsonl".
// Texts in the CSV that a spreadsheet would run as formulas are guarded
// (extract/CsvWriter.h) unless asked for raw; JSON Lines rows are exact.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/OutputFile.h"
#include "extract/CsvWriter.h"

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
std::string CsvReportRow(const ReportRow& row, extract::CsvTexts texts = extract::CsvTexts::Guarded);
std::string JsonReportRow(const ReportRow& row);

class RunReport {
 public:
  // Creates or empties path; throws std::runtime_error with the reason when it cannot.
  RunReport(const std::filesystem::path& path, extract::CsvTexts texts);
  // False once the report cannot be written (see OutputFile).
  bool add(const ReportRow& row);
  void close() { out_.close(); }
  const std::optional<std::string>& failure() const { return out_.failure(); }

 private:
  OutputFile out_;
  bool json_;
  extract::CsvTexts texts_;
};

}  // namespace sheetwise::batch

#pragma once
// The batch command's per-workbook report: one row per workbook in queue
// order, written as each workbook is done, so an interrupted run keeps what
// was done. CSV (UTF-8, RFC 4180) with the columns source, outcome, output,
// reason, differences, seconds, digest, finished, size, modified, sha256, original,
// changes (a JSON list of what the rules changed, verify/RuleChanges.h); JSON Lines
// when the file name ends in ".jsonl". A later run resumes from it (Resume.h).
// Texts in the CSV that a spreadsheet would run as formulas are guarded
// (extract/CsvWriter.h) unless asked for raw; JSON Lines rows are exact.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/WorkbookEngine.h"
#include "cli/OutputFile.h"
#include "extract/CsvWriter.h"

namespace sheetwise::batch {

// What became of one workbook, in the report's words.
// Unchecked: written, but the check of the save could not be made.
enum class ReportOutcome { Processed, Vetoed, Failed, Skipped, NotStarted, Unchecked };

const char* OutcomeName(ReportOutcome outcome);

// The engine's outcome of a workbook, in the report's words.
ReportOutcome ReportOutcomeOf(Outcome outcome);

// A file's size and time of last change, to the nanosecond.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

// "SECONDS.NANOSECONDS" since 1970, as the report writes the time of last change.
std::string ModifiedText(const FileStamp& stamp);

struct ReportRow {
  std::string source;
  ReportOutcome outcome = ReportOutcome::NotStarted;
  std::string output;  // the file written, "" when none
  std::string reason;  // why it failed or was vetoed or skipped, "" when nothing to say
  std::vector<std::string> differences;  // what the verification of the save found
  double seconds = 0;
  std::string digest = {};  // of the rule list, settings and program version of the run (RunDigest)
  std::string finished = {};  // when the workbook was done, "yyyy-MM-dd HH:mm:ss"; "" when it was not
  std::optional<FileStamp> stamp = {};  // the done workbook's file after the run wrote it
  std::string sha256 = {};  // of the done workbook's content: the copy written, or in place the source as left
  std::string original = {};  // in place, where the original it replaced is kept (KeptOriginals.h); "" when not kept
  std::vector<std::string> changes = {};  // what the rules changed, one line each (verify/RuleChanges.h)
};

// The CSV report's first line, without its line end.
extern const char* const kReportCsvHeader;

// One CSV field or one row, as written.
std::string CsvReportRow(const ReportRow& row, extract::CsvTexts texts = extract::CsvTexts::Guarded);
std::string JsonReportRow(const ReportRow& row);

class RunReport {
 public:
  // Creates or empties path; throws std::runtime_error with the reason when it cannot.
  RunReport(const std::filesystem::path& path, extract::CsvTexts texts = extract::CsvTexts::Guarded);
  // Appends to path after its first keptBytes (what an earlier run wrote
  // whole), in the format of path's name; a CSV header only into an empty file.
  RunReport(const std::filesystem::path& path, std::uintmax_t keptBytes,
            extract::CsvTexts texts = extract::CsvTexts::Guarded);
  // False once the report cannot be written (see OutputFile).
  bool add(const ReportRow& row);
  void close() { out_.close(); }
  const std::optional<std::string>& failure() const { return out_.failure(); }
  bool diskFull() const { return out_.diskFull(); }

 private:
  OutputFile out_;
  bool json_;
  extract::CsvTexts texts_;
};

}  // namespace sheetwise::batch

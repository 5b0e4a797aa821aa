#pragma once
// Runs that can be repeated: "--resume REPORT" skips every workbook an earlier
// report lists as done (processed or vetoed) under the same rule list,
// settings and program version, as long as its file still has the size and
// time of last change the report recorded after writing it. Saving in place,
// each replacement is first recorded in the report's save journal, so that a
// run killed between a replacement and its report row does not edit that
// workbook a second time when it is resumed.

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "batch/RunSettings.h"
#include "cli/RunReport.h"

namespace sheetwise::batch {

// Hex text of the FNV-1a 64-bit hash of what decides what a run writes: the
// program's version, the mode, the sheet, the veto, the folders, the naming
// rules and the rule list. Not the jobs, shards, logs or the check of saves,
// nor the kinds taken: a workbook's result does not depend on them, so a run
// widened by --types resumes past the workbooks done before.
// namePrefix is taken as given ("日期" not yet replaced by the date).
std::string RunDigest(const RunSettings& settings, bool extract);

// The file at path now (links followed); none when it cannot be read.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// The row of a workbook as the report keeps it: the run's digest and, for a
// workbook done, when and its file's stamp.
void StampRow(ReportRow& row, const std::string& digest, const std::string& now);

// The save journal beside a report: "REPORT.saving".
std::filesystem::path JournalPathOf(const std::filesystem::path& report);

class ResumePoint {
 public:
  // Reads report and its save journal, if any. Throws UsageError when the
  // report cannot be read or is no report.
  ResumePoint(const std::filesystem::path& report, const std::string& digest);

  // Takes the workbooks done already out of queue; their rows, in queue order.
  std::vector<ReportRow> takeDone(std::vector<std::string>& queue) const;

  // The bytes of the report up to its last whole row.
  std::uintmax_t wholeBytes() const { return wholeBytes_; }

 private:
  std::optional<ReportRow> doneRow(const std::string& source) const;

  std::map<std::string, ReportRow> done_;  // the last row done under the digest, by source
  std::uintmax_t wholeBytes_ = 0;
};

// Rows of replacements about to happen, written as they happen, from any
// worker; the file is made at the first and removed by finish().
class SaveJournal {
 public:
  SaveJournal(const std::filesystem::path& report, std::string digest);
  // The source will be replaced by written, which keeps its size and time.
  void beforeReplace(const std::string& source, const std::string& written);
  // Every row is in the report now: the journal goes.
  void finish();

 private:
  std::filesystem::path path_;
  std::string digest_;
  std::mutex mutex_;
  std::unique_ptr<RunReport> rows_;
};

}  // namespace sheetwise::batch

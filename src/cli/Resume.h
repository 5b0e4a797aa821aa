#pragma once
// Runs that can be repeated: "--resume REPORT" skips every workbook an earlier
// report lists as done (processed or vetoed) under the same rule list,
// settings and program version. A done workbook is known by the SHA-256 of
// the content the run left: in place, any source that holds such content now
// is skipped, whatever its name, size or time (touched, renamed or copied
// back); saving copies, a source still of the size and time recorded whose
// copy still holds what was written. Saving in place, each replacement is
// first recorded in the report's save journal, so that a run killed between a
// replacement and its report row does not edit that workbook a second time
// when it is resumed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "batch/RunSettings.h"
#include "batch/WorkbookPaths.h"
#include "cli/ReportReader.h"
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

// The SHA-256 of the file's content, 64 hexadecimal digits; "" when it cannot be read.
std::string Sha256Of(const std::filesystem::path& path);

// The row of a workbook as the report keeps it: the run's digest and, for a
// workbook done, when, its source's stamp and the SHA-256 of what it left (the
// copy written, or the source).
void StampRow(ReportRow& row, const std::string& digest, const std::string& now);

// The save journal beside a report: "REPORT.saving".
std::filesystem::path JournalPathOf(const std::filesystem::path& report);

// A workbook of the queue that an earlier run did.
struct DoneWorkbook {
  ReportRow row;  // its "skipped" row
  bool inReport = false;  // the resumed report has a row of it (not only its save journal)
};

// What an earlier report says was done, read row by row into a compact index
// (a hash of each done row's key and where the row lies in the file); a row
// the index points to is read again, and checked, when a workbook is looked up.
class ResumePoint {
 public:
  // Reads report and its save journal, if any, for a run in place or not.
  // Throws UsageError when the report cannot be read or is no report.
  ResumePoint(const std::filesystem::path& report, const std::string& digest, bool inPlace);

  // Takes the workbooks done already out of queue, in queue order, and keeps them.
  void takeDone(WorkbookPaths& queue);
  // The workbooks taken out of the queue: how many, and each one.
  std::size_t doneCount() const { return taken_.size(); }
  DoneWorkbook done(std::size_t index);

  // The bytes of the report up to its last whole row.
  std::uintmax_t wholeBytes() const { return wholeBytes_; }

  // Whether the report has the row of an entry the scan passed over for reason.
  bool listsPassedOver(const std::string& path, const std::string& reason) const {
    return passedOver_.contains({path, reason});
  }

 private:
  // Where a done row lies: the byte it starts at in the report or in the journal.
  struct RowPlace {
    std::uint64_t offset : 63;
    std::uint64_t inJournal : 1;
  };
  struct Entry {
    std::uint64_t key;  // hash of the row's key: in place its content's digest, else its source
    RowPlace place;
  };
  void add(const ReportRow& row, RowPlace place);
  ReportRow rowAt(RowPlace place);
  std::optional<RowPlace> latest(const std::vector<Entry>& entries, const std::string& key,
                                 const std::function<bool(const ReportRow&)>& isIt);
  std::optional<RowPlace> doneInPlace(const std::string& source);
  std::optional<RowPlace> doneCopy(const std::string& source);
  bool listed(const std::string& source);

  bool inPlace_;
  ReportRows report_;
  std::optional<ReportRows> journal_;
  std::vector<Entry> done_;     // the rows done under the digest, by key, in the order read
  std::vector<Entry> listed_;   // the report's own rows done, by the hash of their source
  std::vector<std::int64_t> sizes_;  // in place, the sizes of that content: only sources of such a size are read
  std::set<std::pair<std::string, std::string>> passedOver_;  // the report's rows of entries the scan passed over
  std::uintmax_t wholeBytes_ = 0;
  WorkbookPaths taken_;               // the workbooks found done, in queue order
  std::vector<RowPlace> takenFrom_;   // the row each was found done by
  std::vector<bool> takenListed_;     // whether the report itself has a row of it
};

// Rows of replacements about to happen, written as they happen, from any
// worker; the file is made at the first and removed by finish().
class SaveJournal {
 public:
  SaveJournal(const std::filesystem::path& report, std::string digest);
  // The source will be replaced by written, which keeps its size and time;
  // original: where the file replaced is kept, "" when it is not.
  void beforeReplace(const std::string& source, const std::string& written, const std::string& original = "");
  // Every row is in the report now: the journal goes.
  void finish();

 private:
  std::filesystem::path path_;
  std::string digest_;
  std::mutex mutex_;
  std::unique_ptr<RunReport> rows_;
};

}  // namespace sheetwise::batch

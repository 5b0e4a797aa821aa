#pragma once
// Reading a report the batch command wrote (RunReport.h) back: CSV or JSON
// Lines, told apart by its first byte. A row cut short at the end (a run
// killed while writing it) is left out; anything else that is not a report
// row is refused.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <stdexcept>
#include <vector>

#include "cli/RunReport.h"

namespace sheetwise::batch {

// A report that cannot be read, or a file that is no report; the message says why.
class ReportUnreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReportFile {
  std::vector<ReportRow> rows;
  std::uintmax_t wholeBytes = 0;  // the bytes up to the end of the last whole row
};

// The largest report that is read: a row takes a few hundred bytes.
inline constexpr std::uintmax_t kMaxReportBytes = std::uintmax_t{1} << 30;

// A report read row by row, holding no more of the file than the rows being
// read. An empty file is a report without rows; a larger one than the above
// is refused.
class ReportRows {
 public:
  // Opens path and reads its header. Throws ReportUnreadable.
  explicit ReportRows(const std::filesystem::path& path);
  // The next whole row; none after the last. Throws ReportUnreadable.
  std::optional<ReportRow> next();
  // Where the row next() returned last starts in the file.
  std::uintmax_t rowStart() const { return rowStart_; }
  // The bytes up to the end of the last whole row read.
  std::uintmax_t wholeBytes() const { return wholeBytes_; }
  // The row that starts at offset, a rowStart() of an earlier row.
  ReportRow rowAt(std::uintmax_t offset);

 private:
  static constexpr std::size_t kReadBytes = std::size_t{1} << 20;
  bool fill(std::size_t bytes);
  void readCsvHeader();
  std::optional<ReportRow> nextCsv(std::size_t readBytes);
  std::optional<ReportRow> nextJson(std::size_t readBytes);
  void checkCutRow(std::size_t start) const;
  std::size_t lineAt(std::size_t start) const;

  std::string path_;
  std::ifstream in_;
  std::string buffer_;              // the file from bufferStart_ on, as far as read
  std::uintmax_t bufferStart_ = 0;
  std::size_t pos_ = 0;             // in buffer_, where the next row starts
  std::size_t linesBefore_ = 0;     // the lines before buffer_
  bool atEnd_ = false;
  bool json_ = false;
  std::size_t columns_ = 0;         // of a CSV report: its header's
  std::string rowEnd_ = "\n";
  std::uintmax_t rowStart_ = 0;
  std::uintmax_t wholeBytes_ = 0;
};

// The whole report at once.
ReportFile ReadReport(const std::filesystem::path& path);

}  // namespace sheetwise::batch

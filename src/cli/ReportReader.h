#pragma once
// Reading a report the batch command wrote (RunReport.h) back: CSV or JSON
// Lines, told apart by its first byte. A row cut short at the end (a run
// killed while writing it) is left out; anything else that is not a report
// row is refused.

#include <cstdint>
#include <filesystem>
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

// An empty file is a report without rows; a larger one than the above is refused.
ReportFile ReadReport(const std::filesystem::path& path);

}  // namespace sheetwise::batch

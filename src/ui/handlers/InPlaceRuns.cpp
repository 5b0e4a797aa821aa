#include "ui/handlers/InPlaceRuns.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "cli/KeptOriginals.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"
#include "host/FailureReason.h"

namespace sheetwise::batch {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReportPrefix = "run-";
constexpr const char* kReportExtension = ".csv";

bool KeepsOriginals(const fs::path& report) {
  std::error_code ec;
  return fs::is_regular_file(RunFolderFor(report, "") / kRunFolderMarker, ec);
}

// The newest report in folder whose originals are still kept; "" when none.
std::string NewestKeptRun(const fs::path& folder) {
  std::string newest;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(kReportPrefix) || it->path().extension() != kReportExtension) continue;
    if (name.find(".undo.") != std::string::npos || name.find(".saving.") != std::string::npos) continue;
    if (KeepsOriginals(it->path()) && it->path().string() > newest) newest = it->path().string();
  }
  return newest;
}

// "2026-12-08 12:34:56" as it may stand in a file name: "2026-12-08-123456".
std::string FileNameTime(std::string dateTime) {
  std::replace(dateTime.begin(), dateTime.end(), ' ', '-');
  dateTime.erase(std::remove(dateTime.begin(), dateTime.end(), ':'), dateTime.end());
  return dateTime;
}

}  // namespace

fs::path WindowRunsFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const fs::path base = data != nullptr && *data == '/' ? fs::path(data)
                        : home != nullptr && *home != '\0' ? fs::path(home) / ".local/share"
                                                            : fs::temp_directory_path();
  return base / "sheetwise" / "runs";
}

struct InPlaceRuns::OpenRun {
  OpenRun(const fs::path& reportPath, const RunSettings& settings)
      : report(reportPath),
        digest(RunDigest(settings, false)),
        rows(reportPath),
        journal(reportPath, digest),
        originals(RunFolderFor(reportPath, ""), settings.naming.sourceFolder) {
    originals.open();
  }

  fs::path report;
  std::string digest;
  RunReport rows;
  SaveJournal journal;
  KeptOriginals originals;
};

InPlaceRuns::InPlaceRuns(fs::path folder, host::Clock& clock)
    : folder_(std::move(folder)), clock_(clock), last_(NewestKeptRun(folder_)) {}

InPlaceRuns::~InPlaceRuns() { end(); }

fs::path InPlaceRuns::newReportPath() const {
  const std::string stem = kReportPrefix + FileNameTime(host::DateTimeText(clock_.now()));
  std::error_code ec;
  fs::path report = folder_ / (stem + kReportExtension);
  for (int n = 2; fs::exists(report, ec) || fs::exists(RunFolderFor(report, ""), ec); ++n) {
    report = folder_ / (stem + "-" + std::to_string(n) + kReportExtension);
  }
  return report;
}

void InPlaceRuns::start(const RunSettings& settings) {
  if (open_) return;
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (ec) throw std::runtime_error(host::ReasonForError(ec.value(), host::FileAction::CreateFolder, folder_.string()));
  open_ = std::make_unique<OpenRun>(newReportPath(), settings);
}

WorkbookResult InPlaceRuns::process(WorkbookEngine& engine, const std::string& path, RunSettings settings) {
  if (!open_) return engine.ProcessWorkbook(path, settings);
  OpenRun& run = *open_;
  settings.beforeReplace = [&run](const std::string& source, const std::string& written) {
    run.journal.beforeReplace(source, written, run.originals.keep(source));
  };
  WorkbookResult result = engine.ProcessWorkbook(path, settings);
  ReportRow row{.source = path,
                .outcome = ReportOutcomeOf(result.outcome),
                .output = result.output,
                .reason = result.reason,
                .differences = result.differences,
                .changes = result.changes};
  if (run.originals.replaced(path)) {
    row.original = run.originals.keptOf(path);
  } else {
    run.originals.forgetUnreplaced(path);
  }
  StampRow(row, run.digest, host::DateTimeText(clock_.now()));
  // Whatever its outcome, a replaced workbook is put back only while it holds what was written.
  if (!row.original.empty() && row.sha256.empty()) row.sha256 = Sha256Of(row.source);
  run.rows.add(row);
  return result;
}

void InPlaceRuns::end() {
  if (!open_) return;
  open_->rows.close();
  if (!open_->rows.failure()) open_->journal.finish();
  open_->originals.closeIfEmpty();
  const fs::path report = open_->report;
  open_.reset();
  if (KeepsOriginals(report)) {
    last_ = report.string();
  } else {
    std::error_code ignored;
    fs::remove(report, ignored);
  }
}

}  // namespace sheetwise::batch

#include "cli/UndoRun.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "cli/KeptOriginals.h"
#include "cli/ReportReader.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"
#include "host/Clock.h"
#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/SafeStore.h"
#include "host/ShownText.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

constexpr int kExitSome = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// The rows of the run that name a kept original, one per replacement: the
// report's and its save journal's (replacements a killed run made before
// their rows were written). Folder by folder, and of one workbook the last
// replacement first, so that a workbook a resumed run replaced again is taken
// back one replacement after the other.
std::vector<ReportRow> RowsWithOriginals(const std::string& report) {
  std::vector<ReportRow> rows = ReadReport(report).rows;
  std::error_code ec;
  if (fs::exists(JournalPathOf(report), ec)) {
    for (auto& row : ReadReport(JournalPathOf(report)).rows) rows.push_back(std::move(row));
  }
  std::vector<ReportRow> kept;
  std::set<std::tuple<std::string, std::string, std::string>> seen;
  for (auto& row : rows) {
    if (row.original.empty() || row.sha256.empty() || !seen.insert({row.source, row.original, row.sha256}).second) {
      continue;
    }
    kept.push_back(std::move(row));
  }
  std::reverse(kept.begin(), kept.end());
  // Folder by folder, so that a folder's workbooks share one hidden folder.
  std::stable_sort(kept.begin(), kept.end(), [](const ReportRow& a, const ReportRow& b) {
    return fs::path(a.source).parent_path() < fs::path(b.source).parent_path();
  });
  return kept;
}

// The run's rows with originals, or none when its report cannot be read, said on err.
std::optional<std::vector<ReportRow>> ReadRun(const std::string& report, const std::string& option, std::ostream& err) {
  try {
    return RowsWithOriginals(report);
  } catch (const ReportUnreadable& e) {
    err << "sheetwise-batch: " << option << ": " << e.what() << '\n';
    return std::nullopt;
  }
}

// The kept original in place of target, as a save replaces a workbook; the
// original's times go with it. check runs just before the rename.
void PutBack(const fs::path& target, const fs::path& kept, const std::function<void(const fs::path&)>& check) {
  host::StoreReplacing(
      target,
      [&](const fs::path& temp) {
        std::error_code ec;
        fs::copy_file(kept, temp, fs::copy_options::overwrite_existing, ec);
        if (ec) throw host::HostError(host::ReasonForError(ec.value(), host::FileAction::ReadFile, kept));
        struct stat info {};
        if (::stat(kept.c_str(), &info) == 0) {
          const timespec times[2] = {info.st_atim, info.st_mtim};
          ::utimensat(AT_FDCWD, temp.c_str(), times, 0);
        }
      },
      check, target.extension().string());
}

struct UndoTally {
  int putBack = 0;
  int asBefore = 0;
  int changed = 0;
  int failed = 0;
  int notStarted = 0;
};

// What the undo does to the workbook of one row of the run, as its row.
ReportRow UndoOne(const ReportRow& done, UndoTally& tally) {
  ReportRow row{done.source, ReportOutcome::Skipped, "", "", {}, 0};
  row.original = done.original;
  const fs::path kept = done.original;
  std::error_code ec;
  // Only what a run kept is put back, whatever a report names.
  const bool inRunFolder = RunFolderHolding(kept).has_value();
  if (!inRunFolder || !fs::is_regular_file(kept, ec)) {
    row.outcome = ReportOutcome::Failed;
    row.reason = inRunFolder
                     ? Tr("its original is no longer kept at %s (the run was forgotten, or the file removed)",
                          {kept.string()})
                     : Tr("%s, named as its original, is in no run folder: nothing was put back", {kept.string()});
    ++tally.failed;
    return row;
  }
  const fs::path target = fs::canonical(done.source, ec);
  const std::string now = ec ? "" : Sha256Of(target);
  if (now.empty()) {
    row.reason = Tr("the workbook is gone since the run; its original is kept at %s", {kept.string()});
    ++tally.changed;
  } else if (now == done.sha256) {
    try {
      PutBack(target, kept, [&](const fs::path&) {
        if (Sha256Of(target) != done.sha256) {
          throw host::HostError(Tr("the workbook changed while its original was put back; it is left as it is"));
        }
      });
      row.outcome = ReportOutcome::Processed;
      row.output = done.source;
      ++tally.putBack;
    } catch (const std::exception& e) {
      row.outcome = ReportOutcome::Failed;
      row.reason = e.what();
      ++tally.failed;
    }
  } else if (now == Sha256Of(kept)) {
    row.reason = Tr("it holds its original already");
    ++tally.asBefore;
  } else {
    row.reason = Tr("changed since the run (it does not hold what the run wrote): left as it is; its original is kept "
                    "at %s",
                    {kept.string()});
    ++tally.changed;
  }
  row.stamp = StampOf(done.source);
  row.sha256 = now.empty() || row.outcome != ReportOutcome::Processed ? now : Sha256Of(target);
  return row;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

}  // namespace

std::string UndoReportFor(const std::string& runReport) {
  const fs::path report(runReport);
  return (report.parent_path() / (report.stem().string() + ".undo" + report.extension().string())).string();
}

int UndoRun(const std::string& runReport, const std::string& undoReport, bool quiet, CommandStreams io,
            std::atomic<bool>& interrupted) {
  const auto read = ReadRun(runReport, "--undo", io.err);
  if (!read) return kExitUsage;
  const std::vector<ReportRow>& rows = *read;
  const std::string reportPath = undoReport.empty() ? UndoReportFor(runReport) : undoReport;
  if (SameFile(reportPath, runReport) || SameFile(reportPath, JournalPathOf(runReport))) {
    io.err << "sheetwise-batch: "
           << Tr("the undo's report %s would write over the report of the run it takes back", {reportPath}) << '\n';
    return kExitUsage;
  }
  std::unique_ptr<RunReport> report;
  try {
    report = std::make_unique<RunReport>(reportPath);
  } catch (const std::runtime_error& e) {
    io.err << "sheetwise-batch: --report: " << e.what() << '\n';
    return kExitUsage;
  }
  const host::SaveFolderReuse reuse;  // the workbooks of a folder share one hidden folder
  host::SystemClock clock;
  UndoTally tally;
  std::set<fs::path> swept;
  for (const auto& done : rows) {
    // What an undo killed there left goes, though nothing may be left to put back there.
    if (const fs::path folder = fs::path(done.source).parent_path(); swept.insert(folder).second) {
      host::RemoveAbandonedSaveFolders(folder);
    }
    ReportRow row = interrupted ? ReportRow{done.source, ReportOutcome::NotStarted, "", Tr("the undo was interrupted"),
                                            {}, 0}
                                : UndoOne(done, tally);
    if (row.outcome == ReportOutcome::NotStarted) ++tally.notStarted;
    if (row.outcome != ReportOutcome::NotStarted) row.finished = host::DateTimeText(clock.now());
    if (!quiet && row.outcome != ReportOutcome::Processed && row.outcome != ReportOutcome::NotStarted) {
      io.err << host::ShownText(row.source) << "  (" << host::ShownText(row.reason) << ")\n";
    }
    report->add(row);
  }
  report->close();
  io.err << (interrupted ? Tr("interrupted: ") : "")
         << Tr("%s put back, %s held their original already, %s changed since the run (left as they are), %s failed, "
               "%s not started; report: %s",
               {std::to_string(tally.putBack), std::to_string(tally.asBefore), std::to_string(tally.changed),
                std::to_string(tally.failed), std::to_string(tally.notStarted), reportPath})
         << '\n';
  if (report->failure()) {
    io.err << Tr("the report cannot be written: %s", {*report->failure()}) << '\n';
    return kExitSome;
  }
  if (interrupted) return kExitInterrupted;
  return tally.changed + tally.failed > 0 ? kExitSome : 0;
}

int ForgetRun(const std::string& runReport, CommandStreams io) {
  const auto read = ReadRun(runReport, "--forget", io.err);
  if (!read) return kExitUsage;
  const std::vector<ReportRow>& rows = *read;
  std::set<fs::path> folders;
  std::error_code ec;
  if (const fs::path own = RunFolderFor(runReport, ""); fs::exists(own / kRunFolderMarker, ec)) folders.insert(own);
  int removed = 0, left = 0;
  for (const auto& row : rows) {
    const auto folder = RunFolderHolding(row.original);
    if (!folder) {
      if (fs::exists(row.original, ec)) {
        io.err << Tr("%s is in no run folder: it is left", {host::ShownText(row.original)}) << '\n';
        ++left;
      }
      continue;
    }
    folders.insert(*folder);
    if (fs::remove(row.original, ec)) ++removed;
    if (ec) {
      io.err << host::ReasonForError(ec.value(), host::FileAction::WriteFolder, fs::path(row.original).parent_path())
             << '\n';
      ++left;
    }
  }
  for (const auto& folder : folders) {
    // Files the report does not name stay, and with them the folder and its marker;
    // an emptied one goes with the folders inside it.
    if (!RemoveRunFolderIfEmpty(folder)) {
      io.err << Tr("%s holds other files: it is left", {folder.string()}) << '\n';
    }
  }
  io.err << Tr("%s originals removed", {std::to_string(removed)}) << '\n';
  return left > 0 ? kExitSome : 0;
}

}  // namespace sheetwise::batch

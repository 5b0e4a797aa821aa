#include "cli/MergeReports.h"

#include <filesystem>
#include <unordered_map>

#include "cli/BatchOptions.h"
#include "cli/ExitStatus.h"
#include "cli/ReportReader.h"
#include "host/ShownText.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;
namespace {

// What a try did to the workbook, as against passing it over.
bool Decides(ReportOutcome outcome) {
  return outcome == ReportOutcome::Processed || outcome == ReportOutcome::Vetoed || outcome == ReportOutcome::Failed;
}

// A save journal is named after its report: "NAME.saving.EXT".
bool IsJournal(const fs::path& path) { return path.stem().extension() == ".saving"; }

}  // namespace

std::vector<ReportRow> FinalRows(const std::vector<ReportRow>& rows) {
  std::vector<ReportRow> finals;
  std::unordered_map<std::string, size_t> at;  // source → its place in finals
  for (const auto& row : rows) {
    const auto [it, added] = at.emplace(row.source, finals.size());
    if (added) {
      finals.push_back(row);
    } else if (Decides(row.outcome) || !Decides(finals[it->second].outcome)) {
      finals[it->second] = row;
    }
  }
  return finals;
}

int MergeReports(const std::vector<std::string>& paths, std::ostream& err) {
  if (paths.size() < 2) throw UsageError(Tr("--merge-reports needs the merged report's name, then the reports to merge"));
  std::vector<ReportRow> rows;
  size_t merged = 0;
  for (size_t i = 1; i < paths.size(); ++i) {
    if (IsJournal(paths[i])) {
      err << Tr("%s is a save journal, not a report: left out", {host::ShownText(paths[i])}) << '\n';
      continue;
    }
    try {
      for (auto& row : ReadReport(paths[i]).rows) rows.push_back(std::move(row));
      ++merged;
    } catch (const ReportUnreadable& e) {
      throw UsageError("--merge-reports: " + std::string(e.what()));
    }
  }
  const std::vector<ReportRow> finals = FinalRows(rows);
  std::unique_ptr<RunReport> out;
  try {
    out = std::make_unique<RunReport>(paths[0]);
  } catch (const std::runtime_error& e) {
    throw UsageError("--merge-reports: " + std::string(e.what()));
  }
  for (const auto& row : finals) out->add(row);
  out->close();
  if (out->failure()) {
    err << Tr("the report cannot be written: %s", {*out->failure()}) << '\n';
    return out->diskFull() ? kExitTemporary : kExitFailures;
  }
  err << Tr("%s reports merged into %s: %s workbooks",
            {std::to_string(merged), host::ShownText(paths[0]), std::to_string(finals.size())})
      << '\n';
  return kExitDone;
}

}  // namespace sheetwise::batch

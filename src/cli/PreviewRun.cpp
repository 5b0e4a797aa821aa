#include "cli/PreviewRun.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "batch/RunPlan.h"
#include "cli/BatchOptions.h"
#include "cli/ExitStatus.h"
#include "cli/RunReport.h"
#include "host/HostError.h"
#include "host/ShownText.h"
#include "host/TemporaryFolder.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

// A private folder in the temporary folder, removed with everything in it.
host::TemporaryFolder PreviewFolder() {
  try {
    return host::TemporaryFolder("sheetwise-preview-");
  } catch (const host::HostError& e) {
    throw UsageError(Tr("--preview: the temporary folder cannot be made (%s)", {e.what()}));
  }
}

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const auto& line : lines) out << "    " << host::ShownText(line) << '\n';
}

// One workbook: its outcome and why, what the check of its save found, and what the rules changed.
void PrintWorkbook(std::ostream& out, const std::string& source, const WorkbookResult& result, bool verified) {
  out << host::ShownText(source) << '\n' << "  " << Tr("outcome: %s", {Tr(OutcomeName(ReportOutcomeOf(result.outcome)))});
  if (!result.reason.empty()) out << "  (" << host::ShownText(result.reason) << ')';
  out << '\n';
  if (result.outcome != Outcome::Processed && result.outcome != Outcome::Unchecked) return;
  if (!result.differences.empty()) {
    out << "  " << Tr("the check of the save found:") << '\n';
    PrintLines(out, result.differences);
  } else if (result.outcome == Outcome::Processed) {
    out << "  " << (verified ? Tr("the check of the save: no differences outside the rules' cells")
                             : Tr("the check of the save: not made (--no-verify)"))
        << '\n';
  }
  if (result.changes.empty()) {
    out << "  " << Tr("changes: none") << '\n';
    return;
  }
  out << "  " << Tr("changes:") << '\n';
  PrintLines(out, result.changes);
}

}  // namespace

std::vector<std::string> PreviewedWorkbooks(const WorkbookPaths& plan, const std::vector<std::string>& only,
                                            size_t count) {
  if (only.empty()) {
    std::vector<std::string> first;
    for (size_t i = 0; i < std::min(count, plan.size()); ++i) first.push_back(plan[i]);
    return first;
  }
  std::map<fs::path, std::string> byPath;
  for (const auto& workbook : plan) byPath.emplace(ResolvedPath(workbook), workbook);
  std::vector<std::string> chosen;
  std::set<std::string> taken;
  for (const auto& path : only) {
    const auto it = byPath.find(ResolvedPath(path));
    if (it == byPath.end()) {
      throw UsageError(Tr("--only: %s is no workbook of the plan (of the kinds --types names, below --source)", {path}));
    }
    if (chosen.size() < count && taken.insert(it->second).second) chosen.push_back(it->second);
  }
  return chosen;
}

int PreviewRun(RunSettings settings, const std::vector<std::string>& workbooks, const ParallelRunOptions& options,
               CommandStreams io) {
  const host::TemporaryFolder folder = PreviewFolder();
  settings.inPlace = false;
  settings.naming.saveFolder = folder.path().string() + "/";
  settings.naming.namePrefix.clear();
  settings.naming.nameFrom.clear();
  settings.naming.pathFrom.clear();
  RunEnd end;
  try {
    RunInParallel(settings, WorkbookPaths(workbooks), options, [&](size_t index, const FileOutcome& outcome) {
      PrintWorkbook(io.out, workbooks[index], outcome.result, settings.verify);
      const Outcome result = outcome.result.outcome;
      end.failed = end.failed || result == Outcome::Failed || result == Outcome::Unchecked;
      end.temporary = end.temporary || outcome.temporary;
    });
  } catch (const host::HostUnavailable& e) {
    io.err << e.what() << '\n';
    return e.temporary() ? kExitTemporary : kExitFailures;
  }
  end.interrupted = options.stop && *options.stop;
  io.err << Tr("%s workbooks tried; nothing was kept", {std::to_string(workbooks.size())}) << '\n';
  return ExitStatus(end);
}

}  // namespace sheetwise::batch

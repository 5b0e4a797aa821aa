#include "batch/SaveCheck.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <new>

#include "host/SafeStore.h"
#include "host/Translate.h"
#include "restore/RestoreDropped.h"
#include "verify/MacroProject.h"
#include "verify/RuleChanges.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {

std::string SaveFindings::reason() const {
  if (!uncheckedBecause.empty()) return Tr("no check possible: %s", {uncheckedBecause});
  if (differences.empty()) return "";
  if (!summary.empty()) return summary;
  return Tr("the saved workbook differs from its source outside the rules' cells");
}

DifferencesFound::DifferencesFound(SaveFindings findings)
    : std::runtime_error(findings.reason()), findings_(std::move(findings)) {}

namespace {

// What compare finds, or why it could not be made; thrown when that may not
// be written. Without readings, the changes are the footprint's edits.
SaveFindings Findings(const std::function<void(SaveFindings&)>& compare, const verify::EditFootprint& footprint,
                      bool mayWriteDifferences, size_t changesShown, std::string summary = "") {
  SaveFindings findings;
  findings.summary = std::move(summary);
  try {
    compare(findings);
  } catch (const std::bad_alloc&) {
    findings.uncheckedBecause = Tr("there is not enough memory to read both files");
  } catch (const std::exception& e) {  // unreadable, or more than a reading may hold
    findings.uncheckedBecause = e.what();
  }
  if (!findings.uncheckedBecause.empty()) findings.changes = verify::ListEdits(footprint, changesShown).lines();
  if (!findings.empty() && !mayWriteDifferences) throw DifferencesFound(std::move(findings));
  return findings;
}

// The check and the put-back before it hold a workbook's readings one at a time.
std::mutex& OneReadingAtATime() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

SaveFindings CheckSave(const std::string& source, const std::string& written, const verify::EditFootprint& footprint,
                       bool mayWriteDifferences, size_t changesShown) {
  return Findings(
      [&](SaveFindings& findings) {
        const std::lock_guard lock(OneReadingAtATime());
        const auto readings = verify::VerifySaveListingChanges(source, written, footprint, changesShown);
        findings.differences = readings.differences.lines();
        findings.changes = readings.changes.lines();
      },
      footprint, mayWriteDifferences, changesShown);
}

void PutBackDropped(const std::string& source, const std::string& written, const verify::EditFootprint& footprint) {
  try {
    const std::lock_guard lock(OneReadingAtATime());
    restore::RestoreDropped(source, written, footprint);
  } catch (const std::exception&) {
  }
}

SaveFindings CheckMacroProject(const std::string& source, const std::string& written,
                               const verify::EditFootprint& footprint, bool mayWriteDifferences, size_t changesShown) {
  return Findings(
      [&](SaveFindings& findings) {
        findings.changes = verify::ListEdits(footprint, changesShown).lines();
        const std::string before = verify::MacroProjectDigest(source);
        if (before.empty()) return;  // nothing to lose
        if (auto change = verify::MacroProjectChange(before, verify::MacroProjectDigest(written))) {
          findings.differences.push_back(std::move(*change));
        }
      },
      footprint, mayWriteDifferences, changesShown,
      Tr("the office would drop or rewrite the workbook's macros (VBA project)"));
}

void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) { std::filesystem::copy_file(source, temp); });
}

}  // namespace sheetwise::batch

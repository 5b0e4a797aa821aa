#include "batch/SaveCheck.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <new>

#include "host/SafeStore.h"
#include "host/Translate.h"
#include "restore/RestoreDropped.h"
#include "verify/MacroProject.h"
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

// What compare finds, or why it could not be made; thrown when that may not be written.
SaveFindings Findings(const std::function<std::vector<std::string>()>& compare, bool mayWriteDifferences,
                      std::string summary = "") {
  SaveFindings findings;
  findings.summary = std::move(summary);
  try {
    findings.differences = compare();
  } catch (const std::bad_alloc&) {
    findings.uncheckedBecause = Tr("there is not enough memory to read both files");
  } catch (const std::exception& e) {  // unreadable, or more than a reading may hold
    findings.uncheckedBecause = e.what();
  }
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
                       bool mayWriteDifferences) {
  return Findings(
      [&] {
        const std::lock_guard lock(OneReadingAtATime());
        return verify::VerifySave(source, written, footprint).lines();
      },
      mayWriteDifferences);
}

void PutBackDropped(const std::string& source, const std::string& written, const verify::EditFootprint& footprint) {
  try {
    const std::lock_guard lock(OneReadingAtATime());
    restore::RestoreDropped(source, written, footprint);
  } catch (const std::exception&) {
  }
}

SaveFindings CheckMacroProject(const std::string& source, const std::string& written, bool mayWriteDifferences) {
  return Findings(
      [&] {
        std::vector<std::string> differences;
        const std::string before = verify::MacroProjectDigest(source);
        if (before.empty()) return differences;  // nothing to lose
        if (auto change = verify::MacroProjectChange(before, verify::MacroProjectDigest(written))) {
          differences.push_back(std::move(*change));
        }
        return differences;
      },
      mayWriteDifferences, Tr("the office would drop or rewrite the workbook's macros (VBA project)"));
}

void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) { std::filesystem::copy_file(source, temp); });
}

}  // namespace sheetwise::batch

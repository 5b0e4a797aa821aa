#include "batch/SaveCheck.h"

#include <filesystem>
#include <mutex>
#include <new>

#include "host/SafeStore.h"
#include "host/Translate.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {

std::string SaveFindings::reason() const {
  if (!uncheckedBecause.empty()) return Tr("no check possible: %s", {uncheckedBecause});
  if (differences.empty()) return "";
  return Tr("the saved workbook differs from its source outside the rules' cells");
}

DifferencesFound::DifferencesFound(SaveFindings findings)
    : std::runtime_error(findings.reason()), findings_(std::move(findings)) {}

SaveFindings CheckSave(const std::string& source, const std::string& written, const verify::EditFootprint& footprint,
                       bool mayWriteDifferences) {
  static std::mutex oneAtATime;
  SaveFindings findings;
  try {
    const std::lock_guard lock(oneAtATime);
    findings.differences = verify::VerifySave(source, written, footprint).lines();
  } catch (const std::bad_alloc&) {
    findings.uncheckedBecause = Tr("there is not enough memory to read both files");
  } catch (const std::exception& e) {  // unreadable, or more than a reading may hold
    findings.uncheckedBecause = e.what();
  }
  if (!findings.empty() && !mayWriteDifferences) throw DifferencesFound(std::move(findings));
  return findings;
}

void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) { std::filesystem::copy_file(source, temp); });
}

}  // namespace sheetwise::batch

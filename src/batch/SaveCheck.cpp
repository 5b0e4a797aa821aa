#include "batch/SaveCheck.h"

#include <filesystem>

#include "host/SafeStore.h"
#include "host/Translate.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {

DifferencesFound::DifferencesFound(std::vector<std::string> lines)
    : std::runtime_error(Tr("the saved workbook differs from its source outside the rules' cells: %s", {lines.front()})),
      lines_(std::move(lines)) {}

std::vector<std::string> CheckSave(const std::string& source, const std::string& written,
                                   const verify::EditFootprint& footprint, bool mayWriteDifferences) {
  std::vector<std::string> lines;
  try {
    lines = verify::VerifySave(source, written, footprint).lines();
  } catch (const std::exception& e) {  // unreadable, or too damaged to hold in memory
    lines = {Tr("no check possible: %s", {e.what()})};
  }
  if (!lines.empty() && !mayWriteDifferences) throw DifferencesFound(lines);
  return lines;
}

void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) { std::filesystem::copy_file(source, temp); });
}

}  // namespace sheetwise::batch

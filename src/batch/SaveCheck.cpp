#include "batch/SaveCheck.h"

#include <filesystem>

#include "host/SafeStore.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {

DifferencesFound::DifferencesFound(std::vector<std::string> lines)
    : std::runtime_error("the saved workbook differs from its source outside the rules' cells: " + lines.front()),
      lines_(std::move(lines)) {}

std::vector<std::string> CheckSave(const std::string& source, const std::string& written,
                                   const verify::EditFootprint& footprint, bool mayWriteDifferences) {
  std::vector<std::string> lines;
  try {
    lines = verify::VerifySave(source, written, footprint).lines();
  } catch (const std::exception& e) {  // unreadable, or too damaged to hold in memory
    lines = {std::string("no check possible: ") + e.what()};
  }
  if (!lines.empty() && !mayWriteDifferences) throw DifferencesFound(lines);
  return lines;
}

void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) { std::filesystem::copy_file(source, temp); });
}

}  // namespace sheetwise::batch

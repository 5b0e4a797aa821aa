#pragma once
// The engine's side of saving: a workbook no rule acted on is copied, an
// edited one is checked against its source before it replaces its target.

#include <stdexcept>
#include <string>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::batch {

// A save whose check found differences where they may not be written.
class DifferencesFound : public std::runtime_error {
 public:
  explicit DifferencesFound(std::vector<std::string> lines);
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// Compares the source with the written file outside the footprint; throws
// DifferencesFound when there are differences and they may not be written,
// else returns them (the first few, then how many). A file that cannot be
// read back counts as one difference.
std::vector<std::string> CheckSave(const std::string& source, const std::string& written,
                                   const verify::EditFootprint& footprint, bool mayWriteDifferences);

// Writes the source's own bytes to target, through a hidden file beside it.
void CopySource(const std::string& source, const std::string& target);

}  // namespace sheetwise::batch

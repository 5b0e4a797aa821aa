#pragma once
// The engine's side of saving: a workbook no rule acted on is copied, an
// edited one is checked against its source before it replaces its target.

#include <stdexcept>
#include <string>
#include <vector>

#include "verify/EditFootprint.h"
#include "verify/RuleChanges.h"

namespace sheetwise::batch {

// What the check of a save found: differences outside the rules' cells, or
// why there could be no check.
struct SaveFindings {
  std::vector<std::string> differences;  // one line each: the first few, then how many
  std::string uncheckedBecause;          // "" when the check was made
  std::string summary;                   // what the differences come to, when one thing says it; "" otherwise
  // What the rules changed (verify/RuleChanges.h), the first few then how many;
  // without readings of both files, their edits alone.
  std::vector<std::string> changes = {};
  bool empty() const { return differences.empty() && uncheckedBecause.empty(); }
  // "no check possible: why", or that the saved workbook differs; "" when empty.
  std::string reason() const;
};

// A save whose check found differences, or could not be made, where that may not be written.
class DifferencesFound : public std::runtime_error {
 public:
  explicit DifferencesFound(SaveFindings findings);
  const SaveFindings& findings() const { return findings_; }

 private:
  SaveFindings findings_;
};

// Compares the source with the written file outside the footprint; throws
// DifferencesFound when it found something and that may not be written, else
// returns what it found, with the changes the same readings show (changesShown
// of them described). One check at a time holds its two readings in this
// process, so that offices side by side do not multiply the memory it takes.
SaveFindings CheckSave(const std::string& source, const std::string& written, const verify::EditFootprint& footprint,
                       bool mayWriteDifferences, size_t changesShown = verify::kChangesShown);

// Puts back, before the check, what the office dropped and the closed list
// allows (restore/RestoreDropped.h), one workbook at a time like the check,
// whose memory it shares. One that cannot be made leaves the written file as
// the office wrote it, to the check.
void PutBackDropped(const std::string& source, const std::string& written, const verify::EditFootprint& footprint);

// Without that check, the macro project alone, which the office may drop or
// write anew: the same findings, thrown or returned alike, with the footprint's edits as the changes.
SaveFindings CheckMacroProject(const std::string& source, const std::string& written,
                               const verify::EditFootprint& footprint, bool mayWriteDifferences,
                               size_t changesShown = verify::kChangesShown);

// Writes the source's own bytes to target, through a hidden file beside it.
void CopySource(const std::string& source, const std::string& target);

}  // namespace sheetwise::batch

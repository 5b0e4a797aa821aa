#pragma once
// The check of a save: the source and the written file, both read without the
// office, must hold the same things wherever the rules did not act.

#include <string>
#include <vector>

#include "verify/EditFootprint.h"
#include "verify/XlsContent.h"

namespace sheetwise::verify {

struct Differences {
  size_t count = 0;
  std::vector<std::string> first;  // the first few, each naming its place and before → after
  bool empty() const { return count == 0; }
  // The first few, and how many there are when there are more.
  std::vector<std::string> lines() const;
};

inline constexpr size_t kDifferencesShown = 5;

// The edits of each sheet of source, by its index: those of the active sheet
// and those of the sheet the footprint names.
std::vector<std::vector<const Edit*>> EditsBySheet(const XlsContent& source, const EditFootprint& footprint);

// shown: how many differences are described; the rest are only counted.
Differences CompareSave(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint,
                        size_t shown = kDifferencesShown);

// Reads both files; throws host::HostError, saying which, when one of them cannot be read.
Differences VerifySave(const std::string& source, const std::string& saved, const EditFootprint& footprint,
                       size_t shown = kDifferencesShown);

}  // namespace sheetwise::verify

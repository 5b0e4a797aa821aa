#pragma once
// After the office's save and before its check: what the office dropped from
// the source is put back into the written file, byte for byte from the source,
// for a closed list of things only (README, "What is kept safe"). A restore
// never writes a cell value the rules or the office decided; the restored file
// then goes through the same check as every save.

#include <string>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::restore {

// What was put back, one line each in the user's terms; empty when nothing.
struct Restored {
  std::vector<std::string> items;
};

// Rewrites `written` (the office's save, not yet in its place) with what
// `source` held and the office dropped, where the closed list allows it and
// the rules in `footprint` cannot have reached it. Throws std::runtime_error
// when the written file cannot be read or rewritten; `written` is then left as
// the office wrote it.
Restored RestoreDropped(const std::string& source, const std::string& written, const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

#pragma once
// What a formula refers to, as one line a test can compare: "sheets!rows,columns"
// for each area, then the names and flags.

#include <string>

#include "verify/FormulaTokens.h"

namespace sheetwise::test {

inline std::string Describe(const verify::FormulaReferences& refs) {
  std::string out;
  for (const verify::Area& a : refs.areas) {
    out += std::to_string(a.firstSheet) + "-" + std::to_string(a.lastSheet) + "!" + std::to_string(a.firstRow) + "-" +
           std::to_string(a.lastRow) + "," + std::to_string(a.firstColumn) + "-" + std::to_string(a.lastColumn) + " ";
  }
  for (const size_t n : refs.names) out += "name" + std::to_string(n) + " ";
  if (refs.volatileFunction) out += "volatile ";
  if (refs.positional) out += "positional ";
  if (refs.external) out += "external ";
  if (refs.unknown) out += "unknown ";
  return out;
}

}  // namespace sheetwise::test

#pragma once
// A workbook stream (.xls, BIFF8) with records replaced by others of another
// size, and each sheet's start (BOUNDSHEET) moved along. A stream that keeps
// other positions of its records (a row block index: INDEX, DBCELL, which the
// office does not write) is left as it is.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace sheetwise::restore {

// Records from a start on, length bytes of them, and the whole records
// (headers included) that take their place.
struct Replacement {
  size_t length = 0;
  std::vector<uint8_t> bytes;
};
using Replacements = std::map<size_t, Replacement>;  // by their start

// The stream with the replacements made; none when its records cannot be
// read as a workbook's or it keeps a row block index.
std::optional<std::vector<uint8_t>> ReplaceRecords(const std::vector<uint8_t>& stream,
                                                   const Replacements& replacements);

}  // namespace sheetwise::restore

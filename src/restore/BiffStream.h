#pragma once
// The records of a workbook stream (.xls, BIFF8) as places in its bytes, so
// that a restore can set bytes of a record or replace it; the sheets it
// lists, paired with the source's.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "verify/EditFootprint.h"

namespace sheetwise::restore {

struct BiffRecord {
  uint16_t id = 0;
  size_t data = 0;  // where its data starts in the stream
  uint16_t size = 0;
  int depth = 1;    // 1 in the substream itself, more in one inside it (a chart's)
};

// The records of the substream whose BOF is at offset, through its EOF
// (substreams inside it included); none when it is cut short or not a BIFF8
// substream, or encrypted.
std::optional<std::vector<BiffRecord>> ReadSubstream(const std::vector<uint8_t>& stream, size_t offset);

struct BoundSheet {
  std::string name;
  int visibility = 0;   // 0 visible, 1 hidden, 2 very hidden
  size_t stateAt = 0;   // where its visibility byte is in the stream
  size_t offset = 0;    // where its substream starts
};

// The sheets the workbook globals list, in order; none when the stream's
// globals cannot be read as above.
std::optional<std::vector<BoundSheet>> ReadBoundSheets(const std::vector<uint8_t>& stream);

// The same sheet in the source and the written stream.
struct SheetPair {
  BoundSheet source, written;
};

// The sheets of both streams by their place, each paired where the written one
// has the source's name or the one a rule gave it, nothing where not. Empty
// when either stream cannot be read as above or they list different numbers
// of sheets.
std::vector<std::optional<SheetPair>> PairSheets(const std::vector<uint8_t>& source,
                                                 const std::vector<uint8_t>& written,
                                                 const verify::EditFootprint& footprint);

// The edits of each paired sheet, by its place, as the check finds them
// (the source's active sheet, the named sheet).
std::vector<std::vector<const verify::Edit*>> SheetEdits(const std::vector<uint8_t>& source,
                                                         const std::vector<std::optional<SheetPair>>& pairs,
                                                         const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

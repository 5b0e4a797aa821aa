#pragma once
// The colours an .xls names by index: eight fixed ones, then the standard
// palette or the one its PALETTE record gives instead.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sheetwise::verify {

// The colours of the standard palette by index (0 to 63), as 0xRRGGBB.
uint32_t StandardPaletteColour(size_t index);

class Palette {
 public:
  // A PALETTE record's data: the colours that replace the standard ones.
  void set(const uint8_t* data, size_t size);
  // The colour of an index below 64, as 0xRRGGBB; none for the system's and automatic colours.
  std::optional<uint32_t> rgb(uint16_t index) const;

 private:
  std::vector<uint32_t> colours_;  // colours 8 on, as 0xRRGGBB
};

}  // namespace sheetwise::verify

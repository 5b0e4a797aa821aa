#pragma once
// A cell's fill as an XF record of an .xls gives it, described by what shows:
// its pattern and the colours it is drawn in, resolved through the palette.

#include <cstddef>
#include <cstdint>
#include <string>

#include "verify/Palette.h"

namespace sheetwise::verify {

struct XfFill {
  uint8_t pattern = 0;  // 0 none, 1 solid, 2 to 18 the patterns of two colours
  uint16_t fore = 64, back = 65;
};

// The fill of an XF record's data (BIFF8); none when the record is cut short.
XfFill ReadXfFill(const uint8_t* data, size_t size);

// "" for no fill; "solid #FFFF00"; "mediumGray #0000FF on #FFFF00". A solid
// fill shows its foreground colour only, so its background is left out.
std::string DescribeFill(const XfFill& fill, const Palette& palette);

}  // namespace sheetwise::verify

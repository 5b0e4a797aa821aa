#include "verify/CellFills.h"

#include <iterator>
#include <string>

#include "verify/CellLooks.h"
#include "verify/LittleEndian.h"

namespace sheetwise::verify {
namespace {

// The patterns' names, by number from 1, as the other formats name them, so
// that a fill reads alike whichever format it comes from.
constexpr const char* kPatterns[] = {"solid",          "mediumGray",     "darkGray",   "lightGray",
                                     "darkHorizontal", "darkVertical",   "darkDown",   "darkUp",
                                     "darkGrid",       "darkTrellis",    "lightHorizontal", "lightVertical",
                                     "lightDown",      "lightUp",        "lightGrid",  "lightTrellis",
                                     "gray125",        "gray0625"};

// The system's foreground (64) is black, its background (65) and any other white.
uint32_t ColourOf(uint16_t index, const Palette& palette) {
  return palette.rgb(index).value_or(index == 64 ? 0x000000 : 0xFFFFFF);
}

}  // namespace

XfFill ReadXfFill(const uint8_t* data, size_t size) {
  if (size < 20) return {};
  const uint16_t colours = U16(data + 18);
  return {static_cast<uint8_t>(U32(data + 14) >> 26), static_cast<uint16_t>(colours & 0x7F),
          static_cast<uint16_t>((colours >> 7) & 0x7F)};
}

std::string DescribeFill(const XfFill& fill, const Palette& palette) {
  if (fill.pattern == 0) return "";
  const std::string pattern =
      fill.pattern <= std::size(kPatterns) ? kPatterns[fill.pattern - 1] : "pattern " + std::to_string(fill.pattern);
  return FillText(pattern, ColourOf(fill.fore, palette), ColourOf(fill.back, palette));
}

}  // namespace sheetwise::verify

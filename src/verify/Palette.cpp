#include "verify/Palette.h"

#include <iterator>

#include "verify/LittleEndian.h"

namespace sheetwise::verify {
namespace {

// The colours a file without its own palette means by the indices 8 to 63.
constexpr uint32_t kStandardPalette[] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
// The first eight indices are fixed: black, white, red, green, blue, yellow, magenta, cyan.
constexpr uint32_t kFixedColours[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

}  // namespace

uint32_t StandardPaletteColour(size_t index) {
  if (index < 8) return kFixedColours[index];
  return index - 8 < std::size(kStandardPalette) ? kStandardPalette[index - 8] : 0;
}

void Palette::set(const uint8_t* data, size_t size) {
  colours_.clear();
  for (size_t i = 0, count = size >= 2 ? U16(data) : 0; i < count && 2 + 4 * i + 3 <= size; ++i) {
    const uint8_t* c = data + 2 + 4 * i;
    colours_.push_back(static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2]);
  }
}

std::optional<uint32_t> Palette::rgb(uint16_t index) const {
  if (index < 8) return kFixedColours[index];
  if (index >= 64) return std::nullopt;
  const size_t i = index - 8u;
  return i < colours_.size() ? colours_[i] : kStandardPalette[i];
}

}  // namespace sheetwise::verify

#include "verify/FontFaces.h"

#include <cstdio>
#include <iterator>
#include <utility>

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

const char* UnderlineText(int kind) {
  switch (kind) {
    case 0x01: return " underline";
    case 0x02: return " double underline";
    case 0x21: return " accounting underline";
    default: return " double accounting underline";
  }
}

}  // namespace

uint32_t StandardPaletteColour(size_t index) {
  if (index < 8) return kFixedColours[index];
  return index - 8 < std::size(kStandardPalette) ? kStandardPalette[index - 8] : 0;
}

std::string FaceProperties::describe() const {
  char size[32];
  std::snprintf(size, sizeof size, " %gpt", points);
  std::string text = name + size;
  if (bold) text += " bold";
  if (italic) text += " italic";
  if (!underline.empty()) text += " " + underline;
  if (strikeout) text += " strikeout";
  if (script == 1) text += " superscript";
  if (script == 2) text += " subscript";
  if (rgb != 0) {
    char colour[16];
    std::snprintf(colour, sizeof colour, " #%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    text += colour;
  }
  return text;
}

void FontFaces::addFont(const uint8_t* data, size_t size, std::string name) {
  Font font;
  font.name = std::move(name);
  if (size >= 16) {
    font.height = U16(data);
    font.italic = data[2] & 0x02;
    font.strikeout = data[2] & 0x08;
    font.colour = U16(data + 4);
    font.weight = U16(data + 6);
    font.escapement = U16(data + 8);
    font.underline = data[10];
  }
  fonts_.push_back(std::move(font));
}

void FontFaces::setPalette(const uint8_t* data, size_t size) {
  palette_.clear();
  for (size_t i = 0, count = size >= 2 ? U16(data) : 0; i < count && 2 + 4 * i + 3 <= size; ++i) {
    const uint8_t* c = data + 2 + 4 * i;
    palette_.push_back(static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2]);
  }
}

std::string FontFaces::colourText(uint16_t index) const {
  uint32_t rgb = 0;  // the automatic colour (0x7FFF and the system's window text) is black
  if (index < 8) {
    rgb = kFixedColours[index];
  } else if (index < 64) {
    const size_t i = index - 8u;
    rgb = i < palette_.size() ? palette_[i] : kStandardPalette[i];
  }
  if (rgb == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, " #%06X", static_cast<unsigned>(rgb));
  return text;
}

std::vector<std::string> FontFaces::describe() const {
  std::vector<std::string> out;
  for (const Font& f : fonts_) {
    char size[32];
    std::snprintf(size, sizeof size, " %gpt", f.height / 20.0);
    std::string text = f.name + size;
    if (f.weight >= 600) text += " bold";
    if (f.italic) text += " italic";
    if (f.underline) text += UnderlineText(f.underline);
    if (f.strikeout) text += " strikeout";
    if (f.escapement == 1) text += " superscript";
    if (f.escapement == 2) text += " subscript";
    out.push_back(text + colourText(f.colour));
  }
  return out;
}

}  // namespace sheetwise::verify

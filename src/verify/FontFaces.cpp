#include "verify/FontFaces.h"

#include <cstdio>
#include <utility>

#include "verify/LittleEndian.h"

namespace sheetwise::verify {
namespace {

const char* UnderlineText(int kind) {
  switch (kind) {
    case 0x01: return " underline";
    case 0x02: return " double underline";
    case 0x21: return " accounting underline";
    default: return " double accounting underline";
  }
}

}  // namespace

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

std::string FontFaces::colourText(uint16_t index, const Palette& palette) {
  // The automatic colour (0x7FFF) and the system's window text are black.
  const uint32_t rgb = palette.rgb(index).value_or(0);
  if (rgb == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, " #%06X", static_cast<unsigned>(rgb));
  return text;
}

std::vector<std::string> FontFaces::describe(const Palette& palette) const {
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
    out.push_back(text + colourText(f.colour, palette));
  }
  return out;
}

}  // namespace sheetwise::verify

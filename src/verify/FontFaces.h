#pragma once
// The fonts of a workbook's font table described by what sets them apart on
// screen (name, size, weight, slant, lines, colour), so that two files whose
// tables are ordered or coloured through other palettes compare alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sheetwise::verify {

// A font as a package describes it (.xlsx styles and runs, .ods text
// properties), resolved: described as FontFaces describes a FONT record.
struct FaceProperties {
  std::string name;
  double points = 0;
  bool bold = false, italic = false, strikeout = false;
  std::string underline;  // "", "underline", "double underline", ...
  int script = 0;         // 1 superscript, 2 subscript
  uint32_t rgb = 0;       // black, or automatic, is 0
  std::string describe() const;
};

// The colours of the standard palette by index (0 to 63), as 0xRRGGBB.
uint32_t StandardPaletteColour(size_t index);

class FontFaces {
 public:
  // A FONT record's data and the font's name, in table order.
  void addFont(const uint8_t* data, size_t size, std::string name);
  // A PALETTE record's data: the colours that replace the standard ones.
  void setPalette(const uint8_t* data, size_t size);
  // "Arial 10pt", "SimSun 12pt bold italic underline #FF0000", in table order.
  std::vector<std::string> describe() const;

 private:
  struct Font {
    std::string name;
    int height = 0;  // twentieths of a point
    int weight = 400;
    bool italic = false, strikeout = false;
    int underline = 0, escapement = 0;
    uint16_t colour = 0x7FFF;
  };
  std::string colourText(uint16_t index) const;

  std::vector<Font> fonts_;
  std::vector<uint32_t> palette_;  // colours 8 on, as 0xRRGGBB
};

}  // namespace sheetwise::verify

#pragma once
// The fonts of a workbook's font table described by what sets them apart on
// screen (name, size, weight, slant, lines, colour), so that two files whose
// tables are ordered or coloured through other palettes compare alike.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "verify/Palette.h"

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

class FontFaces {
 public:
  // A FONT record's data and the font's name, in table order.
  void addFont(const uint8_t* data, size_t size, std::string name);
  // "Arial 10pt", "SimSun 12pt bold italic underline #FF0000", in table order,
  // colours taken from the workbook's palette.
  std::vector<std::string> describe(const Palette& palette) const;

 private:
  struct Font {
    std::string name;
    int height = 0;  // twentieths of a point
    int weight = 400;
    bool italic = false, strikeout = false;
    int underline = 0, escapement = 0;
    uint16_t colour = 0x7FFF;
  };
  static std::string colourText(uint16_t index, const Palette& palette);

  std::vector<Font> fonts_;
};

}  // namespace sheetwise::verify

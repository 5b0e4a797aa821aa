#pragma once
// Sheet names as the program finds the named sheet: ASCII letter case ignored.

#include <algorithm>
#include <cctype>
#include <string_view>

namespace sheetwise::verify {

inline bool SameSheetName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace sheetwise::verify

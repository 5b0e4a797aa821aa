#include "rules/TextBetween.h"

namespace sheetwise::rules {

std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker) {
  const size_t s = text.find(startMarker);
  const size_t e = text.find(endMarker);
  if (s == std::string_view::npos || e == std::string_view::npos) return {};
  const size_t start = s + startMarker.size();
  if (e <= start) return {};
  return std::string(text.substr(start, e - start));
}

}  // namespace sheetwise::rules

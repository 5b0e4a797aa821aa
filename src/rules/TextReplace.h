#pragma once
// Replacement of every occurrence of a text, as the window's naming rules use it.

#include <string>
#include <string_view>

namespace sheetwise::rules {

// Every occurrence of from, searched left to right and not overlapping, replaced
// by to; the replacement text is not searched again. An empty from changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace sheetwise::rules

#pragma once
// The text between two markers, as the error log and extraction read it.

#include <string>
#include <string_view>

namespace sheetwise::rules {

// The text from the end of the first startMarker up to the first endMarker, both
// searched from the beginning. Empty when a marker is missing or the end marker
// does not come after the start marker's end.
std::string TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker);

}  // namespace sheetwise::rules

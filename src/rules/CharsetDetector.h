#pragma once
// The charset detector (uchardet) asked what encoding a text of unknown
// encoding most likely is.

#include <string>
#include <string_view>

namespace sheetwise::rules {

// The detector's answer as an iconv name in capitals ("GB18030", "SHIFT_JIS",
// "UTF-8", ...); empty when it has none.
std::string DetectCharset(std::string_view bytes);

}  // namespace sheetwise::rules

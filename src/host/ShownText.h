#pragma once
// Names as they are shown in messages and listings: a control character (a
// newline or a tab in a file name) would split or shift the line that holds
// it, so each is written as an escape instead ("\n", "\t", "\r", "\xHH").

#include <string>
#include <string_view>

namespace sheetwise::host {

std::string ShownText(std::string_view text);

}  // namespace sheetwise::host

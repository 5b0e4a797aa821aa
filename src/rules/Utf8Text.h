#pragma once
// UTF-8: encoding code points, and the validity of texts that come from
// outside (file names, cells).

#include <string>
#include <string_view>

namespace sheetwise::rules {

bool IsValidUtf8(std::string_view text);

// The code point that starts at text[i] in a valid UTF-8 text; i moves past it.
char32_t NextCodePoint(std::string_view text, size_t& i);

// Appends the UTF-8 encoding of the code point cp.
void AppendUtf8(std::string& out, char32_t cp);

// The text with every byte that is not part of a valid sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// Length of a valid UTF-8 text in UTF-16 units, as spreadsheets count characters.
int Utf16Length(std::string_view text);

}  // namespace sheetwise::rules

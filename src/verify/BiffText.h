#pragma once
// Texts as the records of an .xls store them: one byte a character (Latin-1) or UTF-16LE.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sheetwise::verify {

// cch characters at p as UTF-8, one byte each (Latin-1) or UTF-16LE; cut at the end of the data.
std::string Characters(const uint8_t* p, const uint8_t* end, size_t cch, bool wide);

}  // namespace sheetwise::verify

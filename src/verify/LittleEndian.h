#pragma once
// Integers as the records of an .xls store them: little-endian, unaligned.

#include <cstdint>

namespace sheetwise::verify {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }

}  // namespace sheetwise::verify

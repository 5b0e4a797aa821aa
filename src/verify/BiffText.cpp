#include "verify/BiffText.h"

#include "rules/Utf8Text.h"
#include "verify/LittleEndian.h"

namespace sheetwise::verify {

std::string Characters(const uint8_t* p, const uint8_t* end, size_t cch, bool wide) {
  std::string out;
  for (size_t i = 0; i < cch; ++i) {
    if (!wide) {
      if (p >= end) break;
      rules::AppendUtf8(out, *p++);
      continue;
    }
    if (p + 2 > end) break;
    uint32_t c = U16(p);
    p += 2;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < cch && p + 2 <= end) {
      c = 0x10000 + ((c - 0xD800) << 10) + (U16(p) - 0xDC00);
      p += 2;
      ++i;
    }
    rules::AppendUtf8(out, c);
  }
  return out;
}

}  // namespace sheetwise::verify

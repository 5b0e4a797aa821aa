#include "restore/VeryHiddenSheets.h"

#include <algorithm>
#include <optional>

#include "verify/BiffText.h"
#include "verify/LittleEndian.h"

namespace sheetwise::restore {
namespace {

using verify::U16;

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kFilePass = 0x002F;
constexpr int kHidden = 1, kVeryHidden = 2;

struct BoundSheet {
  std::string name;
  size_t stateAt = 0;  // where its visibility byte is in the stream
  int visibility = 0;
};

// The sheets the workbook globals list, in order; none when the stream is not
// an unencrypted BIFF8 workbook.
std::optional<std::vector<BoundSheet>> ReadBoundSheets(const std::vector<uint8_t>& stream) {
  std::vector<BoundSheet> sheets;
  for (size_t at = 0; at + 4 <= stream.size();) {
    const uint16_t id = U16(&stream[at]), size = U16(&stream[at + 2]);
    const size_t data = at + 4;
    if (data + size > stream.size()) return std::nullopt;
    if (at == 0 && (id != kBof || size < 2 || U16(&stream[data]) != 0x0600)) return std::nullopt;
    if (id == kFilePass) return std::nullopt;
    if (id == kEof) return sheets;
    if (id == kBoundSheet && size >= 8) {
      const uint8_t* p = &stream[data];
      sheets.push_back({verify::Characters(p + 8, p + size, p[6], p[7] & 1), data + 4, p[4] & 3});
    }
    at = data + size;
  }
  return std::nullopt;
}

bool RenamedTo(const std::string& name, const verify::EditFootprint& footprint) {
  return std::ranges::any_of(footprint.edits, [&](const verify::Edit& e) {
    return e.kind == verify::Edit::Kind::Rename && e.newName == name;
  });
}

}  // namespace

std::vector<std::string> RestoreVeryHidden(const std::vector<uint8_t>& source, std::vector<uint8_t>& written,
                                           const verify::EditFootprint& footprint) {
  const auto before = ReadBoundSheets(source);
  const auto after = ReadBoundSheets(written);
  std::vector<std::string> restored;
  if (!before || !after || before->size() != after->size()) return restored;
  for (size_t i = 0; i < before->size(); ++i) {
    const BoundSheet& was = (*before)[i];
    const BoundSheet& is = (*after)[i];
    if (was.visibility != kVeryHidden || is.visibility != kHidden) continue;
    if (is.name != was.name && !RenamedTo(is.name, footprint)) continue;
    written[is.stateAt] = static_cast<uint8_t>((written[is.stateAt] & ~3) | kVeryHidden);
    restored.push_back(is.name);
  }
  return restored;
}

}  // namespace sheetwise::restore

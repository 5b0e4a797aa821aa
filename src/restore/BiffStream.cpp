#include "restore/BiffStream.h"

#include <algorithm>

#include "verify/BiffText.h"
#include "verify/LittleEndian.h"
#include "verify/EditFootprint.h"

namespace sheetwise::restore {
namespace {

using verify::U16;
using verify::U32;

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kFilePass = 0x002F, kWindow1 = 0x003D;

bool RenamedTo(const std::string& name, const verify::EditFootprint& footprint) {
  return std::ranges::any_of(footprint.edits, [&](const verify::Edit& e) {
    return e.kind == verify::Edit::Kind::Rename && e.newName == name;
  });
}

// The sheet the workbook opens at (from 0), as its window stores it; 0 when none.
int ActiveSheet(const std::vector<uint8_t>& stream) {
  int active = 0;
  for (const BiffRecord& r : ReadSubstream(stream, 0).value_or(std::vector<BiffRecord>{})) {
    if (r.id == kWindow1 && r.size >= 12) active = U16(&stream[r.data + 10]);  // the last window's, as the check reads it
  }
  return active;
}

}  // namespace

std::optional<std::vector<BiffRecord>> ReadSubstream(const std::vector<uint8_t>& stream, size_t offset) {
  std::vector<BiffRecord> records;
  int depth = 0;
  for (size_t at = offset; at + 4 <= stream.size();) {
    const BiffRecord r{U16(&stream[at]), at + 4, U16(&stream[at + 2]), depth};
    if (r.data + r.size > stream.size() || r.id == kFilePass) return std::nullopt;
    if (at == offset && (r.id != kBof || r.size < 2 || U16(&stream[r.data]) != 0x0600)) return std::nullopt;
    if (r.id == kBof) ++depth;
    records.push_back({r.id, r.data, r.size, depth});
    if (r.id == kEof && --depth == 0) return records;
    at = r.data + r.size;
  }
  return std::nullopt;
}

std::optional<std::vector<BoundSheet>> ReadBoundSheets(const std::vector<uint8_t>& stream) {
  const auto records = ReadSubstream(stream, 0);
  if (!records) return std::nullopt;
  std::vector<BoundSheet> sheets;
  for (const BiffRecord& r : *records) {
    if (r.id != kBoundSheet || r.size < 8) continue;
    const uint8_t* p = &stream[r.data];
    sheets.push_back({verify::Characters(p + 8, p + r.size, p[6], p[7] & 1), p[4] & 3, r.data + 4, U32(p)});
  }
  return sheets;
}

std::vector<std::optional<SheetPair>> PairSheets(const std::vector<uint8_t>& source,
                                                 const std::vector<uint8_t>& written,
                                                 const verify::EditFootprint& footprint) {
  const auto before = ReadBoundSheets(source);
  const auto after = ReadBoundSheets(written);
  std::vector<std::optional<SheetPair>> pairs;
  if (!before || !after || before->size() != after->size()) return pairs;
  for (size_t i = 0; i < before->size(); ++i) {
    const BoundSheet& was = (*before)[i];
    const BoundSheet& is = (*after)[i];
    const bool same = is.name == was.name || RenamedTo(is.name, footprint);
    pairs.push_back(same ? std::optional<SheetPair>(SheetPair{was, is}) : std::nullopt);
  }
  return pairs;
}

std::vector<std::vector<const verify::Edit*>> SheetEdits(const std::vector<uint8_t>& source,
                                                         const std::vector<std::optional<SheetPair>>& pairs,
                                                         const verify::EditFootprint& footprint) {
  std::vector<std::string> names;
  for (const auto& pair : pairs) names.push_back(pair ? pair->source.name : "");
  return verify::EditsBySheet(names, ActiveSheet(source), footprint);
}

}  // namespace sheetwise::restore

#include "restore/RecordReplacement.h"

#include <algorithm>
#include <iterator>

#include "restore/BiffStream.h"
#include "verify/LittleEndian.h"

namespace sheetwise::restore {
namespace {

using verify::U16;
using verify::U32;

constexpr uint16_t kIndex = 0x020B, kDbCell = 0x00D7, kBoundSheet = 0x0085;

// Where a position of the old stream is in the new one.
class Moves {
 public:
  explicit Moves(const Replacements& replacements) {
    long shift = 0;
    for (const auto& [at, replacement] : replacements) {
      shift += static_cast<long>(replacement.bytes.size()) - static_cast<long>(replacement.length);
      shifts_[at + replacement.length] = shift;  // from the end of the old records on
    }
  }
  size_t operator()(size_t old) const {
    const auto it = shifts_.upper_bound(old);
    return it == shifts_.begin() ? old : static_cast<size_t>(static_cast<long>(old) + std::prev(it)->second);
  }

 private:
  std::map<size_t, long> shifts_;
};

bool KeepsARowBlockIndex(const std::vector<uint8_t>& stream, const std::vector<BoundSheet>& sheets) {
  return std::ranges::any_of(sheets, [&](const BoundSheet& sheet) {
    const auto records = ReadSubstream(stream, sheet.offset);
    return !records || std::ranges::any_of(*records, [](const BiffRecord& r) {
      return r.id == kIndex || r.id == kDbCell;
    });
  });
}

}  // namespace

std::optional<std::vector<uint8_t>> ReplaceRecords(const std::vector<uint8_t>& stream,
                                                   const Replacements& replacements) {
  const auto globals = ReadSubstream(stream, 0);
  const auto sheets = ReadBoundSheets(stream);
  if (!globals || !sheets || KeepsARowBlockIndex(stream, *sheets)) return std::nullopt;
  std::vector<uint8_t> out;
  out.reserve(stream.size());
  size_t copied = 0;
  for (const auto& [at, replacement] : replacements) {
    out.insert(out.end(), stream.begin() + copied, stream.begin() + at);
    out.insert(out.end(), replacement.bytes.begin(), replacement.bytes.end());
    copied = at + replacement.length;
  }
  out.insert(out.end(), stream.begin() + copied, stream.end());
  const Moves moved(replacements);
  for (const BiffRecord& r : *globals) {
    if (r.id != kBoundSheet || r.size < 4) continue;
    const size_t start = moved(U32(&stream[r.data]));
    for (size_t i = 0; i < 4; ++i) out[moved(r.data) + i] = static_cast<uint8_t>(start >> (8 * i));
  }
  return out;
}

}  // namespace sheetwise::restore

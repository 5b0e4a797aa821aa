#include "restore/FormulaResults.h"

#include <algorithm>
#include <map>

#include "restore/BiffStream.h"
#include "verify/FormulaDependencies.h"
#include "verify/LittleEndian.h"
#include "verify/SaveComparison.h"

namespace sheetwise::restore {
namespace {

using verify::Position;
using verify::U16;

constexpr uint16_t kFormula = 0x0006;
constexpr size_t kResultBytes = 8;

// Each formula cell of a sheet (from 1) and where its result is in the
// stream; a text result, followed by a record of its own, left out.
using Results = std::map<Position, size_t>;

Results ResultsOf(const std::vector<uint8_t>& stream, const BoundSheet& sheet) {
  Results results;
  const auto records = ReadSubstream(stream, sheet.offset);
  if (!records) return results;
  for (const BiffRecord& r : *records) {
    if (r.id != kFormula || r.depth != 1 || r.size < 20) continue;
    const uint8_t* p = &stream[r.data];
    const bool text = p[6] == 0 && U16(p + 12) == 0xFFFF;
    if (!text) results[{U16(p) + 1, U16(p + 2) + 1}] = r.data + 6;
  }
  return results;
}

// A written result that differs from the source formula's it came from.
struct Differing {
  size_t sheet;
  Position from;
  size_t sourceAt, writtenAt;
};

std::vector<Differing> DifferingResults(const std::vector<uint8_t>& source, const std::vector<uint8_t>& written,
                                        const std::vector<std::optional<SheetPair>>& pairs,
                                        const std::vector<std::vector<const verify::Edit*>>& edits) {
  std::vector<Differing> found;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    const Results before = ResultsOf(source, pairs[i]->source);
    for (const auto& [at, where] : ResultsOf(written, pairs[i]->written)) {
      const Position from = verify::MapBack(at, edits[i]);
      const auto it = before.find(from);
      if (from.row == 0 || it == before.end()) continue;
      if (!std::equal(source.begin() + it->second, source.begin() + it->second + kResultBytes, written.begin() + where)) {
        found.push_back({i, from, it->second, where});
      }
    }
  }
  return found;
}

}  // namespace

std::vector<std::pair<std::string, size_t>> RestoreFormulaResults(
    const std::vector<uint8_t>& source, std::vector<uint8_t>& written, const verify::EditFootprint& footprint,
    const std::function<verify::XlsContent()>& sourceContent) {
  std::vector<std::pair<std::string, size_t>> restored;
  const auto pairs = PairSheets(source, written, footprint);
  const auto differing = DifferingResults(source, written, pairs, SheetEdits(source, pairs, footprint));
  if (differing.empty()) return restored;
  const verify::XlsContent book = sourceContent();
  if (book.sheets.size() != pairs.size()) return restored;
  const auto mayChange = verify::FormulasThatMayChange(book, verify::EditsBySheet(book, footprint));
  std::map<size_t, size_t> counts;  // by sheet
  for (const Differing& d : differing) {
    if (mayChange[d.sheet].contains(d.from)) continue;
    std::copy_n(source.begin() + d.sourceAt, kResultBytes, written.begin() + d.writtenAt);
    ++counts[d.sheet];
  }
  for (const auto& [sheet, count] : counts) restored.push_back({pairs[sheet]->written.name, count});
  return restored;
}

}  // namespace sheetwise::restore

#include "restore/FormulaResults.h"

#include <algorithm>
#include <map>
#include <optional>

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

bool SameResult(const std::vector<uint8_t>& a, size_t at, const std::vector<uint8_t>& b, size_t bt) {
  return std::equal(a.begin() + at, a.begin() + at + kResultBytes, b.begin() + bt);
}

// The results of paired sheets, source and written, by the sheet's place.
struct SheetResults {
  size_t index;
  std::string name;  // as written
  Results source, written;
};

// Whether any result differs from the source's in the same cell, or the
// rules moved cells: only then is the source read as the check reads it.
bool MayNeedSettingBack(const std::vector<SheetResults>& sheets, const std::vector<uint8_t>& source,
                        const std::vector<uint8_t>& written, const verify::EditFootprint& footprint) {
  const bool moved = std::ranges::any_of(footprint.edits, [](const verify::Edit& e) {
    using K = verify::Edit::Kind;
    return e.kind == K::InsertRow || e.kind == K::DeleteRow || e.kind == K::DeleteColumn;
  });
  if (moved) return true;
  for (const SheetResults& sheet : sheets) {
    for (const auto& [at, where] : sheet.written) {
      const auto it = sheet.source.find(at);
      if (it != sheet.source.end() && !SameResult(source, it->second, written, where)) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<std::pair<std::string, size_t>> RestoreFormulaResults(
    const std::vector<uint8_t>& source, std::vector<uint8_t>& written, const verify::EditFootprint& footprint,
    const std::function<verify::XlsContent()>& sourceContent) {
  const auto pairs = PairSheets(source, written, footprint);
  std::vector<SheetResults> sheets;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    sheets.push_back({i, pairs[i]->written.name, ResultsOf(source, pairs[i]->source), ResultsOf(written, pairs[i]->written)});
  }
  std::vector<std::pair<std::string, size_t>> restored;
  if (!MayNeedSettingBack(sheets, source, written, footprint)) return restored;
  const verify::XlsContent book = sourceContent();
  if (book.sheets.size() != pairs.size()) return restored;
  const auto edits = verify::EditsBySheet(book, footprint);
  const auto mayChange = verify::FormulasThatMayChange(book, edits);
  for (const SheetResults& sheet : sheets) {
    const size_t index = sheet.index;
    size_t count = 0;
    for (const auto& [at, where] : sheet.written) {
      const Position from = verify::MapBack(at, edits[index]);
      const auto it = sheet.source.find(from);
      if (from.row == 0 || it == sheet.source.end() || mayChange[index].contains(from)) continue;
      if (SameResult(source, it->second, written, where)) continue;
      std::copy_n(source.begin() + it->second, kResultBytes, written.begin() + where);
      ++count;
    }
    if (count > 0) restored.push_back({sheet.name, count});
  }
  return restored;
}

}  // namespace sheetwise::restore

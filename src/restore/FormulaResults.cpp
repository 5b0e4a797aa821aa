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

constexpr uint16_t kFormula = 0x0006, kString = 0x0207, kContinue = 0x003C, kSharedFormula = 0x04BC,
                   kArray = 0x0221, kTable = 0x0236;
constexpr size_t kResultAt = 6, kResultBytes = 8;

// A formula's records: FORMULA, the shared or array formula it starts, and
// the STRING (with its CONTINUE records) of a text result.
struct FormulaRecords {
  size_t start = 0, formulaEnd = 0, stringStart = 0, end = 0;  // positions in the stream
};

// Each formula cell of a sheet (from 1) and its records.
using Formulas = std::map<Position, FormulaRecords>;

Formulas FormulasOf(const std::vector<uint8_t>& stream, const BoundSheet& sheet) {
  Formulas formulas;
  const auto records = ReadSubstream(stream, sheet.offset).value_or(std::vector<BiffRecord>{});
  for (size_t i = 0; i < records.size(); ++i) {
    const BiffRecord& r = records[i];
    if (r.id != kFormula || r.depth != 1 || r.size < 20) continue;
    FormulaRecords f{r.data - 4, r.data + r.size, 0, r.data + r.size};
    const auto after = [&](std::initializer_list<uint16_t> ids) {
      const bool found = i + 1 < records.size() && std::ranges::find(ids, records[i + 1].id) != ids.end();
      if (found) {
        ++i;
        f.end = records[i].data + records[i].size;
      }
      return found;
    };
    after({kSharedFormula, kArray, kTable});
    f.stringStart = f.end;
    if (after({kString})) {
      while (after({kContinue})) {
      }
    }
    formulas[{U16(&stream[r.data]) + 1, U16(&stream[r.data + 2]) + 1}] = f;
  }
  return formulas;
}

// The result's bytes, and the text of a text result with its records.
std::vector<uint8_t> ResultOf(const std::vector<uint8_t>& stream, const FormulaRecords& f) {
  std::vector<uint8_t> result(stream.begin() + f.start + 4 + kResultAt, stream.begin() + f.start + 4 + kResultAt + kResultBytes);
  result.insert(result.end(), stream.begin() + f.stringStart, stream.begin() + f.end);
  return result;
}

// The written formula's records with the source's result.
Replacement WithResult(const std::vector<uint8_t>& source, const FormulaRecords& from, const std::vector<uint8_t>& written,
                       const FormulaRecords& to) {
  std::vector<uint8_t> bytes(written.begin() + to.start, written.begin() + to.stringStart);
  std::copy_n(source.begin() + from.start + 4 + kResultAt, kResultBytes, bytes.begin() + 4 + kResultAt);
  bytes.insert(bytes.end(), source.begin() + from.stringStart, source.begin() + from.end);
  return {to.end - to.start, std::move(bytes)};
}

// A written result that differs from the source formula's it came from.
struct Differing {
  size_t sheet;
  Position from;
  FormulaRecords source, written;
};

std::vector<Differing> DifferingResults(const std::vector<uint8_t>& source, const std::vector<uint8_t>& written,
                                        const std::vector<std::optional<SheetPair>>& pairs,
                                        const std::vector<std::vector<const verify::Edit*>>& edits) {
  std::vector<Differing> found;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    const Formulas before = FormulasOf(source, pairs[i]->source);
    for (const auto& [at, records] : FormulasOf(written, pairs[i]->written)) {
      const Position from = verify::MapBack(at, edits[i]);
      const auto it = before.find(from);
      if (from.row == 0 || it == before.end()) continue;
      if (ResultOf(source, it->second) != ResultOf(written, records)) found.push_back({i, from, it->second, records});
    }
  }
  return found;
}

}  // namespace

std::vector<std::pair<std::string, size_t>> RestoreFormulaResults(
    const std::vector<uint8_t>& source, const std::vector<uint8_t>& written, const verify::EditFootprint& footprint,
    const std::function<verify::XlsContent()>& sourceContent, Replacements& replacements) {
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
    replacements[d.written.start] = WithResult(source, d.source, written, d.written);
    ++counts[d.sheet];
  }
  for (const auto& [sheet, count] : counts) restored.push_back({pairs[sheet]->written.name, count});
  return restored;
}

}  // namespace sheetwise::restore

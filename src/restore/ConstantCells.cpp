#include "restore/ConstantCells.h"

#include <map>
#include <optional>
#include <utility>

#include "restore/BiffStream.h"
#include "verify/LittleEndian.h"

namespace sheetwise::restore {
namespace {

using verify::Position;
using verify::U16;

constexpr uint16_t kFormula = 0x0006, kBoolErr = 0x0205;
constexpr uint8_t kPtgErr = 0x1C, kPtgBool = 0x1D, kNaError = 0x2A;
constexpr uint16_t kNaFunction = 10;

// Each truth or error constant of a sheet (from 1): its value and kind, as BOOLERR stores them.
std::map<Position, std::pair<uint8_t, uint8_t>> ConstantsOf(const std::vector<uint8_t>& stream,
                                                            const BoundSheet& sheet) {
  std::map<Position, std::pair<uint8_t, uint8_t>> constants;
  for (const BiffRecord& r : ReadSubstream(stream, sheet.offset).value_or(std::vector<BiffRecord>{})) {
    if (r.id != kBoolErr || r.depth != 1 || r.size != 8) continue;
    const uint8_t* p = &stream[r.data];
    constants[{U16(p) + 1, U16(p + 2) + 1}] = {p[6], p[7]};
  }
  return constants;
}

// The constant a formula of that constant alone stands for (value, kind as
// BOOLERR stores them): TRUE, FALSE, an error, or NA() for #N/A.
std::optional<std::pair<uint8_t, uint8_t>> ConstantFormula(const uint8_t* p, uint16_t size) {
  if (size < 22 || size != 22 + U16(p + 20)) return std::nullopt;  // the expression follows, its length before it
  const uint8_t* expression = p + 22;
  if (size == 24 && expression[0] == kPtgBool && expression[1] <= 1) return std::pair<uint8_t, uint8_t>{expression[1], 0};
  if (size == 24 && expression[0] == kPtgErr) return std::pair<uint8_t, uint8_t>{expression[1], 1};
  const bool function = expression[0] == 0x21 || expression[0] == 0x41 || expression[0] == 0x61;  // any class
  const bool na = size == 25 && function && U16(expression + 1) == kNaFunction;
  if (na) return std::pair<uint8_t, uint8_t>{kNaError, 1};
  return std::nullopt;
}

std::vector<uint8_t> BoolErrRecord(const uint8_t* formula, std::pair<uint8_t, uint8_t> constant) {
  std::vector<uint8_t> record{kBoolErr & 0xFF, kBoolErr >> 8, 8, 0};
  record.insert(record.end(), formula, formula + 6);  // row, column, format
  record.push_back(constant.first);
  record.push_back(constant.second);
  return record;
}

}  // namespace

std::vector<std::pair<std::string, size_t>> RestoreConstantCells(const std::vector<uint8_t>& source,
                                                                 const std::vector<uint8_t>& written,
                                                                 const verify::EditFootprint& footprint,
                                                                 Replacements& replacements) {
  const auto pairs = PairSheets(source, written, footprint);
  const auto edits = SheetEdits(source, pairs, footprint);
  std::vector<std::pair<std::string, size_t>> restored;
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    const auto constants = ConstantsOf(source, pairs[i]->source);
    size_t count = 0;
    for (const BiffRecord& r : ReadSubstream(written, pairs[i]->written.offset).value_or(std::vector<BiffRecord>{})) {
      if (r.id != kFormula || r.depth != 1) continue;
      const uint8_t* p = &written[r.data];
      const auto constant = ConstantFormula(p, r.size);
      const auto it = constants.find(verify::MapBack({U16(p) + 1, U16(p + 2) + 1}, edits[i]));
      if (!constant || it == constants.end() || it->second != *constant) continue;
      replacements[r.data - 4] = {size_t{4} + r.size, BoolErrRecord(p, *constant)};
      ++count;
    }
    if (count > 0) restored.push_back({pairs[i]->written.name, count});
  }
  return restored;
}

}  // namespace sheetwise::restore

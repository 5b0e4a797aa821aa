#include "restore/VeryHiddenSheets.h"

#include "restore/BiffStream.h"

namespace sheetwise::restore {

std::vector<std::string> RestoreVeryHidden(const std::vector<uint8_t>& source, std::vector<uint8_t>& written,
                                           const verify::EditFootprint& footprint) {
  constexpr int kHidden = 1, kVeryHidden = 2;
  std::vector<std::string> restored;
  for (const auto& pair : PairSheets(source, written, footprint)) {
    if (!pair || pair->source.visibility != kVeryHidden || pair->written.visibility != kHidden) continue;
    uint8_t& state = written[pair->written.stateAt];
    state = static_cast<uint8_t>((state & ~3) | kVeryHidden);
    restored.push_back(pair->written.name);
  }
  return restored;
}

}  // namespace sheetwise::restore

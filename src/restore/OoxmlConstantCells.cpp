#include "restore/OoxmlConstantCells.h"

#include <map>
#include <utility>

#include "host/CellAddress.h"
#include "restore/XmlTags.h"

namespace sheetwise::restore {
namespace {

// A cell's type and stored value ("b" and "1", "e" and "#N/A").
struct Constant {
  std::string type, value;
  bool operator==(const Constant&) const = default;
};

// The text of the element with this local name inside [from, limit); none when absent or not plain text.
std::optional<std::string_view> ChildText(std::string_view xml, std::string_view local, size_t from, size_t limit) {
  const auto tag = FindElement(xml, local, from, limit);
  if (!tag) return std::nullopt;
  if (tag->empty) return std::string_view{};
  const size_t end = xml.find('<', tag->end);
  if (end == std::string_view::npos || end > limit) return std::nullopt;
  return xml.substr(tag->end, end - tag->end);
}

std::optional<verify::Position> CellPosition(std::string_view xml, const XmlTag& cell) {
  const auto rect = host::ParseAddress(AttributeText(xml, cell, "r"));
  if (!rect || rect->firstRow != rect->lastRow || rect->firstColumn != rect->lastColumn) return std::nullopt;
  return verify::Position{rect->firstRow, rect->firstColumn};
}

// Each cell of a truth or error type, with the start tag found from where its type attribute is.
template <typename Visit>
void ForEachTypedCell(std::string_view xml, const Visit& visit) {
  for (const char* type : {"t=\"b\"", "t=\"e\""}) {
    for (size_t at = xml.find(type); at != std::string_view::npos; at = xml.find(type, at + 1)) {
      const size_t open = xml.rfind('<', at);
      const auto tag = open == std::string_view::npos ? std::nullopt : NextTag(xml, open);
      if (!tag || tag->begin != open || tag->end <= at || tag->local() != "c" || !tag->opens()) continue;
      const std::string letter(1, type[3]);
      if (AttributeText(xml, *tag, "t") == letter) visit(*tag, letter);
    }
  }
}

// The source's truth and error constants (cells with no formula) by position.
std::map<verify::Position, Constant> SourceConstants(std::string_view xml) {
  std::map<verify::Position, Constant> constants;
  ForEachTypedCell(xml, [&](const XmlTag& cell, const std::string& type) {
    const size_t end = ElementEnd(xml, cell);
    const auto position = CellPosition(xml, cell);
    if (end == std::string_view::npos || !position || FindElement(xml, "f", cell.end, end)) return;
    if (const auto value = ChildText(xml, "v", cell.end, end)) constants[*position] = {type, std::string(*value)};
  });
  return constants;
}

// The constant a formula of that constant alone stands for, as a cell of that type stores it.
bool StandsFor(std::string_view formula, const Constant& constant) {
  if (constant.type != "b") return formula == constant.value;
  return (formula == "TRUE()" && constant.value == "1") || (formula == "FALSE()" && constant.value == "0");
}

}  // namespace

bool MayHoldConstantFormulas(std::string_view written) {
  return written.find("TRUE()</") != std::string_view::npos || written.find("FALSE()</") != std::string_view::npos ||
         written.find("t=\"e\"") != std::string_view::npos;
}

std::optional<ConstantsRestored> RestoreOoxmlConstants(std::string_view source, std::string_view written,
                                                       const std::vector<const verify::Edit*>& edits) {
  std::map<size_t, size_t> formulas;  // the formula elements to take out: where, how long
  std::map<verify::Position, Constant> constants;
  bool sourceRead = false;
  ForEachTypedCell(written, [&](const XmlTag& cell, const std::string& type) {
    const size_t end = ElementEnd(written, cell);
    const auto formula = end == std::string_view::npos ? std::nullopt : FindElement(written, "f", cell.end, end);
    const auto position = CellPosition(written, cell);
    if (!formula || formula->empty || !position) return;
    const auto text = ChildText(written, "f", cell.end, end);
    const auto value = ChildText(written, "v", cell.end, end);
    const Constant stored{type, value ? std::string(*value) : ""};
    if (!text || !value || !StandsFor(*text, stored)) return;
    if (!std::exchange(sourceRead, true)) constants = SourceConstants(source);
    const auto from = constants.find(verify::MapBack(*position, edits));
    if (from == constants.end() || !(from->second == stored)) return;
    const size_t formulaEnd = ElementEnd(written, *formula);
    if (formulaEnd != std::string_view::npos) formulas[formula->begin] = formulaEnd - formula->begin;
  });
  if (formulas.empty()) return std::nullopt;
  ConstantsRestored restored{{}, formulas.size()};
  size_t copied = 0;
  for (const auto& [at, length] : formulas) {
    restored.part.append(written.substr(copied, at - copied));
    copied = at + length;
  }
  restored.part.append(written.substr(copied));
  return restored;
}

}  // namespace sheetwise::restore

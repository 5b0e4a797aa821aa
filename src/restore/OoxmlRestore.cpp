#include "restore/OoxmlRestore.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "host/Translate.h"
#include "verify/SheetName.h"
#include "restore/ChartSheets.h"
#include "restore/OoxmlConstantCells.h"
#include "restore/PackageXml.h"
#include "restore/XmlTags.h"

namespace sheetwise::restore {
namespace {
using verify::ZipPackage;

// One package's workbook part and its sheets in order.
struct Book {
  std::string part, xml;
  struct Sheet {
    std::string name, part;  // part: "" unless a worksheet
    std::string chart;       // "" unless a chart sheet: its part
  };
  std::vector<Sheet> sheets;
  std::string macros;  // the macro project's part, "" when none
};

std::optional<Book> ReadBook(const ZipPackage& zip) {
  Book book;
  for (const auto& [id, rel] : verify::ReadRelationships(zip, "")) {
    if (rel.first == "officeDocument") book.part = zip.find(rel.second);
  }
  if (book.part.empty()) return std::nullopt;
  auto xml = WholePart(zip, book.part);
  if (!xml) return std::nullopt;
  book.xml = std::move(*xml);
  const auto rels = verify::ReadRelationships(zip, book.part);
  for (const auto& [id, rel] : rels) {
    if (rel.first == "vbaProject") book.macros = zip.find(rel.second);
  }
  for (auto tag = FindElement(book.xml, "sheet", 0); tag; tag = FindElement(book.xml, "sheet", tag->end)) {
    const auto rel = rels.find(AttributeText(book.xml, *tag, "r:id"));
    const std::string type = rel == rels.end() ? "" : rel->second.first;
    const std::string part = rel == rels.end() ? "" : zip.find(rel->second.second);
    book.sheets.push_back({AttributeText(book.xml, *tag, "name"), type == "worksheet" ? part : "",
                           type == "chartsheet" ? part : ""});
  }
  return book;
}

// A very hidden sheet the office wrote as hidden is very hidden again.
void RestoreVeryHidden(const Book& source, Book& written, Restored& restored) {
  std::vector<XmlTag> tags;
  for (auto tag = FindElement(written.xml, "sheet", 0); tag; tag = FindElement(written.xml, "sheet", tag->end)) {
    tags.push_back(*tag);
  }
  if (tags.size() != source.sheets.size()) return;
  std::vector<bool> veryHidden;
  for (auto from = FindElement(source.xml, "sheet", 0); from; from = FindElement(source.xml, "sheet", from->end)) {
    veryHidden.push_back(AttributeText(source.xml, *from, "state") == "veryHidden");
  }
  // From the last, so that the earlier tags stay where they were found.
  for (size_t i = tags.size(); i-- > 0;) {
    const auto state = AttributeSpan(written.xml, tags[i], "state");
    if (!veryHidden[i] || !state || written.xml.compare(state->begin, state->end - state->begin, "hidden") != 0) {
      continue;
    }
    written.xml = Splice(written.xml, state->begin, state->end, "veryHidden");
    restored.items.push_back(Tr("sheet \"%s\": very hidden", {source.sheets[i].name}));
  }
}

// A protection record that locks something.
bool Locks(std::string_view xml, const XmlTag& record) {
  for (const char* lock : {"lockStructure", "lockWindows", "lockRevision"}) {
    const std::string value = AttributeText(xml, record, lock);
    if (value == "1" || value == "true") return true;
  }
  return false;
}

// The workbook's protection record, where the office wrote one that locks
// nothing or none, in its place before the workbook's views.
void RestoreProtection(const Book& source, Book& written, Restored& restored) {
  const auto record = FindElement(source.xml, "workbookProtection", 0);
  if (!record || !Locks(source.xml, *record) || !SameDefaultNamespace(source.xml, written.xml)) return;
  const size_t end = ElementEnd(source.xml, *record);
  if (end == std::string_view::npos) return;
  const std::string_view bytes = std::string_view(source.xml).substr(record->begin, end - record->begin);
  if (!OnlyPrefix(bytes, "")) return;
  size_t begin = 0, replaced = 0;
  if (const auto theirs = FindElement(written.xml, "workbookProtection", 0)) {
    replaced = ElementEnd(written.xml, *theirs);
    if (Locks(written.xml, *theirs) || theirs->name != theirs->local() || replaced == std::string_view::npos) return;
    begin = theirs->begin;
  } else {
    auto before = FindElement(written.xml, "bookViews", 0);
    if (!before) before = FindElement(written.xml, "sheets", 0);
    if (!before || before->name != before->local()) return;
    begin = replaced = before->begin;
  }
  written.xml = Splice(written.xml, begin, replaced, bytes);
  restored.items.push_back(Tr("the workbook's protection"));
}

// Where the pane and selections that open a sheet view end: they stand first in it, in this order.
size_t PaneAndSelectionsEnd(std::string_view xml, size_t at) {
  for (auto tag = NextTag(xml, at);
       tag && tag->begin == at && !tag->closing && (tag->name == "pane" || tag->name == "selection");
       tag = NextTag(xml, at)) {
    at = ElementEnd(xml, *tag);
    if (at == std::string_view::npos) return tag->begin;
  }
  return at;
}

// Rows or columns inserted or deleted at or before a frozen split move it; a
// split that is not frozen is measured in points, which any of them may move.
bool MovesPane(std::string_view sheet, const XmlTag& pane, const std::vector<const verify::Edit*>& edits) {
  const std::string state = AttributeText(sheet, pane, "state");
  const bool frozen = state == "frozen" || state == "frozenSplit";
  const double rows = std::strtod(AttributeText(sheet, pane, "ySplit").c_str(), nullptr);
  const double columns = std::strtod(AttributeText(sheet, pane, "xSplit").c_str(), nullptr);
  using Kind = verify::Edit::Kind;
  return std::ranges::any_of(edits, [&](const verify::Edit* edit) {
    const bool onRows = edit->kind == Kind::InsertRow || edit->kind == Kind::DeleteRow;
    if (!onRows && edit->kind != Kind::DeleteColumn) return false;
    return !frozen || edit->first <= (onRows ? rows : columns);
  });
}

// The first sheet view's pane and selections from the source, where the
// office wrote the view without a pane; the part anew, or none.
std::optional<std::string> RestorePane(const std::string& source, const std::string& written,
                                       const std::vector<const verify::Edit*>& edits) {
  const auto from = FindElement(source, "sheetView", 0), to = FindElement(written, "sheetView", 0);
  if (!from || !to || !from->opens() || to->name != "sheetView" || !SameDefaultNamespace(source, written)) {
    return std::nullopt;
  }
  const size_t end = PaneAndSelectionsEnd(source, from->end);
  const auto pane = FindElement(source, "pane", from->end, end);
  if (!pane || FindElement(written, "pane", to->end, ElementEnd(written, *to)) || MovesPane(source, *pane, edits)) {
    return std::nullopt;
  }
  const std::string_view bytes = std::string_view(source).substr(from->end, end - from->end);
  if (!OnlyPrefix(bytes, "")) return std::nullopt;
  if (to->empty) {
    const std::string opened = written.substr(to->begin, to->end - to->begin - 2) + ">";
    return Splice(written, to->begin, to->end, opened + std::string(bytes) + "</sheetView>");
  }
  return Splice(written, to->end, PaneAndSelectionsEnd(written, to->end), bytes);
}

// A sheet's views come before its cells: a sheet part whose beginning holds
// its cells' start and no pane before it has none, and is not read whole.
bool MayHoldPane(const ZipPackage& zip, const std::string& part) {
  constexpr size_t kBeginning = 64 * 1024;
  const std::string beginning = zip.bytes(part, kBeginning);
  const size_t cells = beginning.find("sheetData");
  return cells == std::string::npos || beginning.rfind("<pane", cells) != std::string::npos;
}

// The edits that act on each sheet, by position, as the check finds them.
std::vector<std::vector<const verify::Edit*>> EditsBySheet(const Book& book, const verify::EditFootprint& footprint) {
  const auto view = FindElement(book.xml, "workbookView", 0);
  const int active = view ? std::atoi(AttributeText(book.xml, *view, "activeTab").c_str()) : 0;
  std::vector<std::string> names;
  for (const Book::Sheet& sheet : book.sheets) names.push_back(sheet.name);
  return verify::EditsBySheet(names, active, footprint);
}

// Each worksheet's panes and the constants the office made formulas of, from
// the source; the source's sheet part is read whole only where the written
// one may need either.
void RestoreSheets(const ZipPackage& source, const ZipPackage& written, const Book& from, const Book& to,
                   const verify::EditFootprint& footprint, PartBytes& parts, Restored& restored) {
  if (from.sheets.size() != to.sheets.size()) return;
  const auto edits = EditsBySheet(from, footprint);
  size_t held = 0;
  for (size_t i = 0; i < from.sheets.size(); ++i) {
    if (from.sheets[i].part.empty() || to.sheets[i].part.empty()) continue;
    auto sheet = WholePart(written, to.sheets[i].part);
    const bool pane = MayHoldPane(source, from.sheets[i].part);
    if (!sheet || (!pane && !MayHoldConstantFormulas(*sheet))) continue;
    const auto sourceSheet = WholePart(source, from.sheets[i].part);
    if (!sourceSheet) continue;
    std::vector<std::string> items;
    if (auto withPane = pane ? RestorePane(*sourceSheet, *sheet, edits[i]) : std::nullopt) {
      sheet = std::move(withPane);
      items.push_back(Tr("sheet \"%s\": frozen panes", {from.sheets[i].name}));
    }
    if (auto constants = RestoreOoxmlConstants(*sourceSheet, *sheet, edits[i])) {
      sheet = std::move(constants->part);
      items.push_back(Tr("sheet \"%s\": %s truth and error constants as in the source",
                         {from.sheets[i].name, std::to_string(constants->count)}));
    }
    // What is held for the rewrite stays within a few large parts.
    if (!items.empty() && (held += sheet->size()) <= kMaxRestoredBytesHeld) {
      parts[to.sheets[i].part] = std::move(*sheet);
      restored.items.insert(restored.items.end(), items.begin(), items.end());
    }
  }
}

// A part the office did not write at all, with its relationship from the
// workbook and its content type, each as the source states them; none where
// its name, its relationship's id or its extension's content type is taken.
std::optional<PartBytes> PartDropped(const ZipPackage& source, const ZipPackage& written, const Book& from,
                                     const Book& to, const std::string& name) {
  const std::string rels = verify::RelationshipsPart(from.part), types = "[Content_Types].xml";
  if (from.part != to.part || !written.find(name).empty()) return std::nullopt;
  const auto sourceRels = WholePart(source, rels), writtenRels = WholePart(written, written.find(rels));
  const auto sourceTypes = WholePart(source, types), writtenTypes = WholePart(written, written.find(types));
  auto bytes = WholePart(source, name);
  if (!sourceRels || !writtenRels || !sourceTypes || !writtenTypes || !bytes) return std::nullopt;
  // Its relationship from the workbook, found by the part it leads to; its id free in the written package.
  std::string id;
  for (const auto& [relId, rel] : verify::ReadRelationships(source, from.part)) {
    if (source.find(rel.second) == name) id = relId;
  }
  const auto relTag = ElementWith(*sourceRels, "Relationship", "Id", id);
  const auto rel = Portable(*sourceRels, relTag, *writtenRels);
  if (id.empty() || !rel || ElementWith(*writtenRels, "Relationship", "Id", id)) return std::nullopt;
  auto newRels = BeforeRootEnd(*writtenRels, *rel);
  auto newTypes = ContentTypeAdded(*sourceTypes, *writtenTypes, name, name);
  if (!newRels || !newTypes) return std::nullopt;
  return PartBytes{{name, std::move(*bytes)},
                   {written.find(rels), std::move(*newRels)},
                   {written.find(types), std::move(*newTypes)}};
}

// The parts the macro project leads to (its signatures), which the office
// does not write: the project's relationships and each part as the source
// holds them, with their content types; all of them or none.
bool RestoreProjectParts(const ZipPackage& source, const ZipPackage& written, const std::string& project,
                         PartBytes& parts) {
  const std::string rels = verify::RelationshipsPart(project), types = written.find("[Content_Types].xml");
  auto relsBytes = written.find(rels).empty() ? WholePart(source, rels) : std::nullopt;
  const auto sourceTypes = WholePart(source, "[Content_Types].xml");
  auto newTypes = parts.count(types) ? std::optional(parts.at(types)) : WholePart(written, types);
  if (!relsBytes || !sourceTypes || !newTypes) return false;
  PartBytes added{{rels, std::move(*relsBytes)}};
  for (const auto& [id, rel] : verify::ReadRelationships(source, project)) {
    const std::string name = rel.second.empty() ? "" : source.find(rel.second);
    auto bytes = name.empty() || !written.find(name).empty() ? std::nullopt : WholePart(source, name);
    newTypes = bytes ? ContentTypeAdded(*sourceTypes, *newTypes, name, name) : std::nullopt;
    if (!newTypes) return false;
    added[name] = std::move(*bytes);
  }
  added[types] = std::move(*newTypes);
  for (auto& [name, bytes] : added) parts[name] = std::move(bytes);
  return true;
}

// The macro project as the source holds it, where the office wrote its own or
// none, and the parts it leads to.
void RestoreMacros(const ZipPackage& source, const ZipPackage& written, const Book& from, const Book& to,
                   PartBytes& parts, Restored& restored) {
  if (from.macros.empty()) return;
  bool project = false;
  if (to.macros.empty()) {
    auto dropped = PartDropped(source, written, from, to, from.macros);
    if (!dropped) return;
    parts.merge(*dropped);
    project = true;
  } else if (auto bytes = WholePart(source, from.macros)) {
    const auto theirs = WholePart(written, to.macros);
    project = theirs && *theirs != *bytes;
    if (project) parts[to.macros] = std::move(*bytes);
  }
  const bool samePlace = to.macros.empty() || to.macros == from.macros;
  const bool signatures = samePlace && RestoreProjectParts(source, written, from.macros, parts);
  if (project || signatures) restored.items.push_back(Tr("the macro project"));
}

// Each chart sheet the office wrote as a worksheet, where no rule moved or
// renamed anything its chart may refer to.
void RestoreChartSheets(const ZipPackage& source, const ZipPackage& written, const Book& from, const Book& to,
                        const verify::EditFootprint& footprint, PartBytes& parts, std::set<std::string>& dropped,
                        Restored& restored) {
  using Kind = verify::Edit::Kind;
  const bool moves = std::ranges::any_of(footprint.edits, [](const verify::Edit& edit) {
    return edit.kind == Kind::InsertRow || edit.kind == Kind::DeleteRow || edit.kind == Kind::DeleteColumn ||
           edit.kind == Kind::Rename;
  });
  if (moves || from.sheets.size() != to.sheets.size()) return;
  for (size_t i = 0; i < from.sheets.size(); ++i) {
    const auto& [name, part, chart] = from.sheets[i];
    if (chart.empty() || to.sheets[i].part.empty() || !verify::SameSheetName(name, to.sheets[i].name)) continue;
    if (RestoreChartSheet(source, written, to.part, chart, to.sheets[i].part, parts, dropped)) {
      restored.items.push_back(Tr("sheet \"%s\": a chart sheet, as in the source", {name}));
    }
  }
}

}  // namespace

PartBytes RestoreOoxml(const ZipPackage& source, const ZipPackage& written, const verify::EditFootprint& footprint,
                       Restored& restored, std::set<std::string>& dropped) {
  PartBytes parts;
  const auto from = ReadBook(source);
  auto to = ReadBook(written);
  if (!from || !to) return parts;
  const std::string workbook = to->xml;
  RestoreVeryHidden(*from, *to, restored);
  RestoreProtection(*from, *to, restored);
  if (to->xml != workbook) parts[to->part] = to->xml;
  RestoreSheets(source, written, *from, *to, footprint, parts, restored);
  RestoreMacros(source, written, *from, *to, parts, restored);
  RestoreChartSheets(source, written, *from, *to, footprint, parts, dropped, restored);
  return parts;
}

}  // namespace sheetwise::restore

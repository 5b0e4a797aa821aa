#include "restore/ChartSheets.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

#include "restore/PackageXml.h"
#include "restore/XmlTags.h"
#include "host/AsciiCase.h"

namespace sheetwise::restore {
namespace {
using verify::ZipPackage;

std::string Folder(const std::string& part) { return part.substr(0, part.rfind('/') + 1); }

// The part a relationships part belongs to ("" for the package's own).
std::string OwnerOf(const std::string& rels) {
  const size_t folder = rels.rfind("_rels/");
  return rels.substr(0, folder) + rels.substr(folder + 6, rels.size() - folder - 6 - 5);
}

// Every part reached from `root` through relationships, root first, by their
// stored names; none when a relationship leads to a part the package lacks.
std::optional<std::vector<std::string>> Reached(const ZipPackage& zip, const std::string& root) {
  std::vector<std::string> found{root};
  for (size_t i = 0; i < found.size(); ++i) {
    for (const auto& [id, rel] : verify::ReadRelationships(zip, found[i])) {
      if (rel.second.empty()) continue;  // outside the package
      const std::string stored = zip.find(rel.second);
      if (stored.empty()) return std::nullopt;
      if (std::ranges::find(found, stored) == found.end()) found.push_back(stored);
    }
  }
  return found;
}

// No part outside `parts` relates to one of them, but for `owner` to the first.
bool ReachedOnlyFromWithin(const ZipPackage& zip, const std::vector<std::string>& parts, const std::string& owner) {
  for (const std::string& name : zip.names()) {
    if (!name.ends_with(".rels")) continue;
    const std::string from = OwnerOf(name);
    if (std::ranges::find(parts, from) != parts.end()) continue;
    for (const auto& [id, rel] : verify::ReadRelationships(zip, from)) {
      const std::string to = rel.second.empty() ? "" : zip.find(rel.second);
      const auto at = std::ranges::find(parts, to);
      if (at == parts.end()) continue;
      if (at != parts.begin() || from != owner) return false;
    }
  }
  return true;
}

// The office's worksheet holds no cell and relates only to drawings.
bool OnlyAChart(const ZipPackage& written, const std::string& worksheet, const std::string& bytes) {
  if (bytes.find("<c ") != std::string::npos || bytes.find(":c ") != std::string::npos) return false;
  const auto rels = verify::ReadRelationships(written, worksheet);
  return !rels.empty() && std::ranges::all_of(rels, [](const auto& rel) { return rel.second.first == "drawing"; });
}

// A chart drawn from a pivot table, which the office lays out anew under names of its own.
bool TiedToAPivotTable(const std::string& part, const std::string& bytes) {
  return part.find("/charts/") != std::string::npos && bytes.find("pivotSource") != std::string::npos;
}

// A written part as the restores so far have left it.
std::optional<std::string> Current(const ZipPackage& written, const PartBytes& parts, const std::string& name) {
  if (const auto made = parts.find(name); made != parts.end()) return made->second;
  return WholePart(written, name);
}

class NewNames {
 public:
  NewNames(const ZipPackage& written, const PartBytes& parts, const std::set<std::string>& dropped)
      : written_(written), parts_(parts), dropped_(dropped) {}

  // The name itself where free, else the same folder and kind with the first free number.
  std::string give(const std::string& name) {
    std::string chosen = name;
    if (taken(name)) {
      const size_t slash = name.rfind('/') + 1, dot = name.rfind('.');
      const std::string extension = dot == std::string::npos || dot < slash ? "" : name.substr(dot);
      std::string stem = name.substr(slash, name.size() - slash - extension.size());
      while (!stem.empty() && std::isdigit(static_cast<unsigned char>(stem.back()))) stem.pop_back();
      for (int number = 1; taken(chosen); ++number) {
        chosen = name.substr(0, slash) + stem + std::to_string(number) + extension;
      }
    }
    given_.insert(host::AsciiLower(chosen));
    return chosen;
  }

 private:
  bool taken(const std::string& name) const { return occupied(name) || occupied(verify::RelationshipsPart(name)); }
  bool occupied(const std::string& name) const {
    const std::string stored = written_.find(name);
    return given_.count(host::AsciiLower(name)) || parts_.count(name) || (!stored.empty() && !dropped_.count(stored));
  }

  const ZipPackage& written_;
  const PartBytes& parts_;
  const std::set<std::string>& dropped_;
  std::set<std::string> given_;
};

// A source part's relationships with each target inside the package renamed
// as the part's new names say; the part keeps its folder, so only a target's
// last segment changes.
std::optional<std::string> RenamedTargets(const ZipPackage& source, const std::string& part,
                                          const std::map<std::string, std::string>& names) {
  auto xml = WholePart(source, verify::RelationshipsPart(part));
  if (!xml) return std::nullopt;
  const auto rels = verify::ReadRelationships(source, part);
  std::vector<std::pair<ValueSpan, std::string>> changes;
  for (auto tag = FindElement(*xml, "Relationship", 0); tag; tag = FindElement(*xml, "Relationship", tag->end)) {
    const auto rel = rels.find(AttributeText(*xml, *tag, "Id"));
    const auto span = AttributeSpan(*xml, *tag, "Target");
    if (rel == rels.end() || rel->second.second.empty() || !span) continue;
    const std::string now = names.at(source.find(rel->second.second));
    const std::string target = xml->substr(span->begin, span->end - span->begin);
    const std::string renamed = target.substr(0, target.rfind('/') + 1) + now.substr(now.rfind('/') + 1);
    if (renamed != target) changes.push_back({*span, renamed});
  }
  for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
    *xml = Splice(*xml, it->first.begin, it->first.end, it->second);
  }
  return xml;
}

// The content types without the dropped parts' own.
std::string WithoutOverrides(std::string types, const std::set<std::string>& parts) {
  for (const std::string& part : parts) {
    const auto tag = ElementWith(types, "Override", "PartName", "/" + part);
    if (tag) types = Splice(types, tag->begin, tag->end, "");
  }
  return types;
}

// The workbook's relationship to `worksheet` made one to `chartSheet`, of the source's type for it.
std::optional<std::string> RelatedAnew(const ZipPackage& written, const std::string& workbook, std::string rels,
                                       const std::string& worksheet, const std::string& chartSheet,
                                       const std::string& type) {
  std::string id;
  for (const auto& [relId, rel] : verify::ReadRelationships(written, workbook)) {
    if (!rel.second.empty() && written.find(rel.second) == worksheet) id = relId;
  }
  const auto tag = id.empty() ? std::nullopt : ElementWith(rels, "Relationship", "Id", id);
  const auto typeSpan = tag ? AttributeSpan(rels, *tag, "Type") : std::nullopt;
  const auto targetSpan = tag ? AttributeSpan(rels, *tag, "Target") : std::nullopt;
  if (!typeSpan || !targetSpan) return std::nullopt;
  const std::string folder = Folder(workbook);
  const std::string target = chartSheet.starts_with(folder) ? chartSheet.substr(folder.size()) : "/" + chartSheet;
  // The later span first, so that the earlier one stays where it is.
  const bool typeFirst = typeSpan->begin < targetSpan->begin;
  const ValueSpan later = typeFirst ? *targetSpan : *typeSpan, earlier = typeFirst ? *typeSpan : *targetSpan;
  rels = Splice(rels, later.begin, later.end, typeFirst ? target : type);
  return Splice(rels, earlier.begin, earlier.end, typeFirst ? type : target);
}

// The package's workbook part, "" when none.
std::string WorkbookPart(const ZipPackage& zip) {
  for (const auto& [id, rel] : verify::ReadRelationships(zip, "")) {
    if (rel.first == "officeDocument") return zip.find(rel.second);
  }
  return "";
}

// The full type of the source workbook's relationship to its chart sheet.
std::string SourceType(const ZipPackage& source, const std::string& workbook, const std::string& chartSheet) {
  const auto rels = WholePart(source, verify::RelationshipsPart(workbook));
  if (!rels) return "";
  for (const auto& [id, rel] : verify::ReadRelationships(source, workbook)) {
    if (rel.second.empty() || source.find(rel.second) != chartSheet) continue;
    if (const auto tag = ElementWith(*rels, "Relationship", "Id", id)) return AttributeText(*rels, *tag, "Type");
  }
  return "";
}

// The source's parts under their new names, each with its relationships, and
// their content types added to types; none where one cannot be carried over.
std::optional<PartBytes> SourcePartsRenamed(const ZipPackage& source, const std::vector<std::string>& ours,
                                            const std::map<std::string, std::string>& names, std::string& types) {
  const auto sourceTypes = WholePart(source, source.find("[Content_Types].xml"));
  if (!sourceTypes) return std::nullopt;
  PartBytes made;
  for (const std::string& part : ours) {
    auto bytes = WholePart(source, part);
    auto added = ContentTypeAdded(*sourceTypes, types, part, names.at(part));
    if (!bytes || !added || TiedToAPivotTable(part, *bytes)) return std::nullopt;
    types = std::move(*added);
    made[names.at(part)] = std::move(*bytes);
    if (source.find(verify::RelationshipsPart(part)).empty()) continue;
    auto rels = RenamedTargets(source, part, names);
    if (!rels) return std::nullopt;
    made[verify::RelationshipsPart(names.at(part))] = std::move(*rels);
  }
  return made;
}

}  // namespace

bool RestoreChartSheet(const ZipPackage& source, const ZipPackage& written, const std::string& workbook,
                       const std::string& chartSheet, const std::string& worksheet, PartBytes& parts,
                       std::set<std::string>& dropped) {
  const auto sheet = WholePart(written, worksheet);
  if (!sheet || !OnlyAChart(written, worksheet, *sheet)) return false;
  const auto theirs = Reached(written, worksheet);
  const auto ours = Reached(source, chartSheet);
  const std::string sourceWorkbook = WorkbookPart(source);
  const std::string sourceType = SourceType(source, sourceWorkbook, chartSheet);
  if (!theirs || !ours || sourceType.empty() || !ReachedOnlyFromWithin(written, *theirs, workbook) ||
      !ReachedOnlyFromWithin(source, *ours, sourceWorkbook)) {
    return false;
  }
  // The office's parts go, with their relationships; then the source's get names.
  std::set<std::string> goes = dropped;
  for (const std::string& part : *theirs) {
    goes.insert(part);
    if (const std::string rels = written.find(verify::RelationshipsPart(part)); !rels.empty()) goes.insert(rels);
  }
  NewNames namer(written, parts, goes);
  std::map<std::string, std::string> names;
  for (const std::string& part : *ours) names[part] = namer.give(part);

  const std::string typesName = written.find("[Content_Types].xml");
  const std::string relsName = written.find(verify::RelationshipsPart(workbook));
  auto types = Current(written, parts, typesName);
  const auto workbookRels = Current(written, parts, relsName);
  if (!types || !workbookRels) return false;
  *types = WithoutOverrides(std::move(*types), goes);
  auto made = SourcePartsRenamed(source, *ours, names, *types);
  auto related = RelatedAnew(written, workbook, *workbookRels, worksheet, names.at(chartSheet), sourceType);
  if (!made || !related) return false;
  (*made)[typesName] = std::move(*types);
  (*made)[relsName] = std::move(*related);
  // A part of the office's whose name a part of the source's takes is replaced, not dropped.
  for (const std::string& part : goes) {
    if (made->count(part)) continue;
    dropped.insert(part);
    parts.erase(part);
  }
  for (auto& [name, bytes] : *made) {
    dropped.erase(name);
    parts[name] = std::move(bytes);
  }
  return true;
}

}  // namespace sheetwise::restore

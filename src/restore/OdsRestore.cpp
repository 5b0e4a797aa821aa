#include "restore/OdsRestore.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string_view>

#include "host/Translate.h"
#include "verify/SheetName.h"
#include "restore/XmlTags.h"

namespace sheetwise::restore {
namespace {

constexpr const char* kSettings = "settings.xml";

// An element's config:name, whatever the prefix its own name has.
std::string ConfigName(std::string_view xml, const XmlTag& tag) {
  const std::string prefix(tag.name.substr(0, tag.name.size() - tag.local().size()));
  return AttributeText(xml, tag, prefix + "name");
}

// The element with this local name and config:name inside [from, limit); none when absent.
std::optional<XmlTag> ConfigElement(std::string_view xml, std::string_view local, std::string_view name,
                                    size_t from = 0, size_t limit = std::string_view::npos) {
  for (auto tag = FindElement(xml, local, from, limit); tag; tag = FindElement(xml, local, tag->end, limit)) {
    if (ConfigName(xml, *tag) == name) return tag;
  }
  return std::nullopt;
}

// A config item's value as written inside [from, limit); "" when absent.
std::string ItemValue(std::string_view xml, std::string_view name, size_t from = 0,
                      size_t limit = std::string_view::npos) {
  const auto item = ConfigElement(xml, "config-item", name, from, limit);
  const auto next = item && item->opens() ? NextTag(xml, item->end) : std::nullopt;
  return next ? std::string(xml.substr(item->end, next->begin - item->end)) : "";
}

// The views' settings element inside the view settings; none when absent.
struct Views {
  XmlTag set;                   // the view settings
  std::optional<XmlTag> views;  // the views in it
};
std::optional<Views> FindViews(std::string_view xml) {
  const auto set = ConfigElement(xml, "config-item-set", "ooo:view-settings");
  if (!set || !set->opens()) return std::nullopt;
  return Views{*set, ConfigElement(xml, "config-item-map-indexed", "Views", set->end, ElementEnd(xml, *set))};
}

// Each table's split in the views, by axis: its mode (0 none, 1 split, 2
// frozen) and position.
struct Split {
  long rowsMode = 0, rows = 0, columnsMode = 0, columns = 0;
};
std::map<std::string, Split> TableSplits(std::string_view views) {
  std::map<std::string, Split> splits;
  const auto tables = ConfigElement(views, "config-item-map-named", "Tables");
  const size_t end = tables && tables->opens() ? ElementEnd(views, *tables) : std::string_view::npos;
  if (end == std::string_view::npos) return splits;
  for (auto entry = FindElement(views, "config-item-map-entry", tables->end, end); entry && entry->opens();
       entry = FindElement(views, "config-item-map-entry", ElementEnd(views, *entry), end)) {
    const size_t last = ElementEnd(views, *entry);
    if (last == std::string_view::npos) break;
    const auto value = [&](const char* name) {
      return std::strtol(ItemValue(views, name, entry->end, last).c_str(), nullptr, 10);
    };
    splits[ConfigName(views, *entry)] = {value("VerticalSplitMode"), value("VerticalSplitPosition"),
                                         value("HorizontalSplitMode"), value("HorizontalSplitPosition")};
  }
  return splits;
}

// A rename leaves the views naming the old name; rows or columns inserted or
// deleted at or before a frozen split move it, and any of them a split that
// is not frozen.
bool MovesSplits(const std::map<std::string, Split>& splits, const std::string& active,
                 const verify::EditFootprint& footprint) {
  using Kind = verify::Edit::Kind;
  for (const verify::Edit& edit : footprint.edits) {
    if (edit.kind == Kind::Rename) return true;
    const bool onRows = edit.kind == Kind::InsertRow || edit.kind == Kind::DeleteRow;
    if (!onRows && edit.kind != Kind::DeleteColumn) continue;
    const std::string& table = edit.sheet == verify::SheetRole::Named ? footprint.namedSheet : active;
    if (table.empty()) return true;
    const auto split = std::ranges::find_if(splits, [&](const auto& s) { return verify::SameSheetName(s.first, table); });
    if (split == splits.end()) continue;
    const long mode = onRows ? split->second.rowsMode : split->second.columnsMode;
    if (mode == 1 || (mode == 2 && edit.first <= (onRows ? split->second.rows : split->second.columns))) return true;
  }
  return false;
}

}  // namespace

PartBytes RestoreOds(const verify::ZipPackage& source, const verify::ZipPackage& written,
                     const verify::EditFootprint& footprint, Restored& restored) {
  PartBytes parts;
  const auto from = WholePart(source, kSettings);
  const auto to = from ? WholePart(written, kSettings) : std::nullopt;
  if (!to) return parts;
  const auto sourceViews = FindViews(*from), writtenViews = FindViews(*to);
  if (!sourceViews || !sourceViews->views || !writtenViews || writtenViews->views) return parts;
  const size_t end = ElementEnd(*from, *sourceViews->views);
  if (end == std::string_view::npos) return parts;
  const std::string_view views =
      std::string_view(*from).substr(sourceViews->views->begin, end - sourceViews->views->begin);
  const XmlTag& tag = *sourceViews->views;
  const std::string_view prefix =
      tag.name.substr(0, tag.name.size() - tag.local().size() - (tag.name == tag.local() ? 0 : 1));
  const std::string ns = RootNamespace(*from, prefix);
  const auto splits = TableSplits(views);
  const bool panes = std::ranges::any_of(splits, [](const auto& s) { return s.second.rowsMode || s.second.columnsMode; });
  if (!panes || MovesSplits(splits, ItemValue(views, "ActiveTable"), footprint)) return parts;
  if (!OnlyPrefix(views, prefix) || ns.empty() || ns != RootNamespace(*to, prefix)) return parts;
  // Last in the view settings, before their end tag.
  const size_t setEnd = ElementEnd(*to, writtenViews->set);
  if (setEnd == std::string_view::npos) return parts;
  const size_t close = to->rfind('<', setEnd - 1);
  parts[written.find(kSettings)] = std::string(*to).insert(close, views);
  restored.items.push_back(Tr("the sheets' frozen panes"));
  return parts;
}

}  // namespace sheetwise::restore

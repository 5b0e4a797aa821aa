#include "restore/OdsRestore.h"

#include <string_view>

#include "host/Translate.h"
#include "restore/XmlTags.h"

namespace sheetwise::restore {
namespace {

constexpr const char* kSettings = "settings.xml";

// The element with this local name and config:name inside [from, limit); none when absent.
std::optional<XmlTag> ConfigElement(std::string_view xml, std::string_view local, std::string_view name,
                                    size_t from = 0, size_t limit = std::string_view::npos) {
  for (auto tag = FindElement(xml, local, from, limit); tag; tag = FindElement(xml, local, tag->end, limit)) {
    const std::string prefix(tag->name.substr(0, tag->name.size() - tag->local().size()));
    if (AttributeText(xml, *tag, prefix + "name") == name) return tag;
  }
  return std::nullopt;
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

// Some sheet in the views is split or has frozen panes (split mode 1 or 2).
bool HoldsPanes(std::string_view views) {
  for (const char* mode : {"HorizontalSplitMode", "VerticalSplitMode"}) {
    for (auto item = ConfigElement(views, "config-item", mode); item;
         item = ConfigElement(views, "config-item", mode, item->end)) {
      const auto next = NextTag(views, item->end);
      if (next && views.substr(item->end, next->begin - item->end) != "0") return true;
    }
  }
  return false;
}

// Renamed sheets are named in the views by their old names; moved rows and
// columns move the panes' splits.
bool ChangesWhatViewsName(const verify::EditFootprint& footprint) {
  for (const verify::Edit& edit : footprint.edits) {
    if (edit.kind != verify::Edit::Kind::Cells && edit.kind != verify::Edit::Kind::RowSize &&
        edit.kind != verify::Edit::Kind::ColumnSize) {
      return true;
    }
  }
  return false;
}

}  // namespace

PartBytes RestoreOds(const verify::ZipPackage& source, const verify::ZipPackage& written,
                     const verify::EditFootprint& footprint, Restored& restored) {
  PartBytes parts;
  if (ChangesWhatViewsName(footprint)) return parts;
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
  if (!HoldsPanes(views) || !OnlyPrefix(views, prefix) || ns.empty() || ns != RootNamespace(*to, prefix)) return parts;
  // Last in the view settings, before their end tag.
  const size_t setEnd = ElementEnd(*to, writtenViews->set);
  if (setEnd == std::string_view::npos) return parts;
  const size_t close = to->rfind('<', setEnd - 1);
  parts[written.find(kSettings)] = std::string(*to).insert(close, views);
  restored.items.push_back(Tr("the sheets' frozen panes"));
  return parts;
}

}  // namespace sheetwise::restore

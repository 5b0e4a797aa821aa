#include "restore/PackageXml.h"

namespace sheetwise::restore {

// Both parts read their unprefixed names in the same namespace.
bool SameDefaultNamespace(std::string_view a, std::string_view b) {
  const std::string ns = RootNamespace(a, "");
  return !ns.empty() && ns == RootNamespace(b, "");
}

std::string Splice(std::string_view xml, size_t begin, size_t end, std::string_view with) {
  return std::string(xml.substr(0, begin)).append(with).append(xml.substr(end));
}

// The first element with this local name whose attribute has this value; none when absent.
std::optional<XmlTag> ElementWith(std::string_view xml, std::string_view local, std::string_view attribute,
                                  std::string_view value) {
  for (auto tag = FindElement(xml, local, 0); tag; tag = FindElement(xml, local, tag->end)) {
    if (AttributeText(xml, *tag, attribute) == value) return tag;
  }
  return std::nullopt;
}

// The bytes of an empty element, when they mean the same in `to` as in `from`.
std::optional<std::string_view> Portable(std::string_view from, const std::optional<XmlTag>& tag, std::string_view to) {
  if (!tag || !tag->empty) return std::nullopt;
  const std::string_view bytes = from.substr(tag->begin, tag->end - tag->begin);
  if (!OnlyPrefix(bytes, "") || !SameDefaultNamespace(from, to)) return std::nullopt;
  return bytes;
}

// Inserts bytes just before the end tag of the root element.
std::optional<std::string> BeforeRootEnd(const std::string& xml, std::string_view bytes) {
  const size_t end = xml.rfind("</");
  if (end == std::string::npos) return std::nullopt;
  return std::string(xml).insert(end, bytes);
}

// The written content types with the part's own from the source, or its
// extension's where the written ones give that extension none; unchanged where
// they give it the same; none where they give it another.
std::optional<std::string> ContentTypeAdded(const std::string& source, const std::string& written,
                                            const std::string& name, const std::string& as) {
  const auto override = ElementWith(source, "Override", "PartName", "/" + name);
  if (const auto own = Portable(source, override, written)) {
    if (as == name) return BeforeRootEnd(written, *own);
    const std::string type = AttributeText(source, *override, "ContentType");
    return BeforeRootEnd(written, "<Override PartName=\"/" + as + "\" ContentType=\"" + type + "\"/>");
  }
  const std::string extension = name.substr(name.rfind('.') + 1);
  const auto ours = ElementWith(source, "Default", "Extension", extension);
  const auto theirs = ElementWith(written, "Default", "Extension", extension);
  if (!ours) return std::nullopt;
  if (theirs) {
    const bool same = AttributeText(source, *ours, "ContentType") == AttributeText(written, *theirs, "ContentType");
    return same ? std::optional(written) : std::nullopt;
  }
  const auto bytes = Portable(source, ours, written);
  return bytes ? BeforeRootEnd(written, *bytes) : std::nullopt;
}

}  // namespace sheetwise::restore

#pragma once
// Small changes to the XML parts of a zip package, made where the bytes are:
// an element found by an attribute, bytes put before the root's end, a content
// type carried from the source's package into the written one.

#include <optional>
#include <string>
#include <string_view>

#include "restore/XmlTags.h"

namespace sheetwise::restore {

// Both parts read their unprefixed names in the same namespace.
bool SameDefaultNamespace(std::string_view a, std::string_view b);

std::string Splice(std::string_view xml, size_t begin, size_t end, std::string_view with);

// The first element with this local name whose attribute has this value; none when absent.
std::optional<XmlTag> ElementWith(std::string_view xml, std::string_view local, std::string_view attribute,
                                  std::string_view value);

// The bytes of an empty element, when they mean the same in `to` as in `from`.
std::optional<std::string_view> Portable(std::string_view from, const std::optional<XmlTag>& tag, std::string_view to);

// Inserts bytes just before the end tag of the root element.
std::optional<std::string> BeforeRootEnd(const std::string& xml, std::string_view bytes);

// The written content types with the source's for its part `name`, given to
// the written part `as` (the same name unless the source's is taken there):
// the part's own, or its extension's where the written ones give that
// extension none; unchanged where they give it the same; none where they
// give it another.
std::optional<std::string> ContentTypeAdded(const std::string& source, const std::string& written,
                                            const std::string& name, const std::string& as);

}  // namespace sheetwise::restore

#pragma once
// A scanner over the bytes of an XML part that finds its tags where they are,
// so that a restore can copy or change an element without writing anything
// else of the part anew. Comments, CDATA, declarations and processing
// instructions are stepped over; a '>' inside a quoted attribute value ends
// no tag.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sheetwise::restore {

struct XmlTag {
  size_t begin = 0, end = 0;  // the tag's bytes, '<' to '>' inclusive: [begin, end)
  std::string_view name;      // qualified, as written ("sheetView", "config:config-item")
  bool closing = false;       // </name>
  bool empty = false;         // <name/>
  std::string_view local() const;
  bool opens() const { return !closing && !empty; }
};

// The next tag that begins at or after from; none at the end or where the
// markup is cut short.
std::optional<XmlTag> NextTag(std::string_view xml, size_t from);

// The next start or empty tag at or after from, before limit, whose local
// name is local; none when there is none.
std::optional<XmlTag> FindElement(std::string_view xml, std::string_view local, size_t from,
                                  size_t limit = std::string_view::npos);

// Just after the element that tag starts (after its own end tag, or the tag
// itself when empty); npos when the part ends first.
size_t ElementEnd(std::string_view xml, const XmlTag& tag);

// Where the value of the attribute with this qualified name lies in the tag,
// quotes excluded, as written (not unescaped); none when absent.
struct ValueSpan {
  size_t begin = 0, end = 0;
};
std::optional<ValueSpan> AttributeSpan(std::string_view xml, const XmlTag& tag, std::string_view name);

// The attribute's value as written, "" when absent.
std::string AttributeText(std::string_view xml, const XmlTag& tag, std::string_view name);

// The namespace the first element binds to prefix ("" for the default one);
// "" when it binds none.
std::string RootNamespace(std::string_view xml, std::string_view prefix);

// Every element name in xml uses this prefix ("" for none), and no attribute
// name has a prefix other than it: bytes that mean the same where they are
// put as where they were taken from, when both parts bind the prefix alike.
bool OnlyPrefix(std::string_view xml, std::string_view prefix);

}  // namespace sheetwise::restore

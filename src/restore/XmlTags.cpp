#include "restore/XmlTags.h"

#include <functional>

namespace sheetwise::restore {
namespace {

constexpr std::string_view kBlank = " \t\r\n";

bool NameChar(char c) { return kBlank.find(c) == std::string_view::npos && c != '/' && c != '>' && c != '='; }

// Where the construct that starts at `at` with this opening ends: just after closing.
size_t Past(std::string_view xml, size_t at, std::string_view closing) {
  const size_t end = xml.find(closing, at);
  return end == std::string_view::npos ? end : end + closing.size();
}

// Calls each(name, value span) for the tag's attributes, in order, until it answers true.
void EachAttribute(std::string_view xml, const XmlTag& tag,
                   const std::function<bool(std::string_view, ValueSpan)>& each) {
  size_t at = tag.begin + 1 + tag.name.size();
  while (at < tag.end) {
    at = xml.find_first_not_of(kBlank, at);
    if (at >= tag.end || !NameChar(xml[at])) return;
    const size_t nameBegin = at;
    while (at < tag.end && NameChar(xml[at])) ++at;
    const std::string_view name = xml.substr(nameBegin, at - nameBegin);
    at = xml.find('=', at);
    if (at >= tag.end) return;
    at = xml.find_first_not_of(kBlank, at + 1);
    if (at >= tag.end || (xml[at] != '"' && xml[at] != '\'')) return;
    const size_t close = xml.find(xml[at], at + 1);
    if (close >= tag.end) return;
    if (each(name, {at + 1, close})) return;
    at = close + 1;
  }
}

}  // namespace

std::string_view XmlTag::local() const {
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::optional<XmlTag> NextTag(std::string_view xml, size_t from) {
  for (size_t at = xml.find('<', from); at != std::string_view::npos; at = xml.find('<', at)) {
    const std::string_view rest = xml.substr(at);
    if (rest.starts_with("<!--")) {
      at = Past(xml, at, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      at = Past(xml, at, "]]>");
    } else if (rest.starts_with("<?")) {
      at = Past(xml, at, "?>");
    } else if (rest.starts_with("<!")) {
      at = Past(xml, at, ">");
    } else {
      XmlTag tag;
      tag.begin = at;
      tag.closing = rest.size() > 1 && rest[1] == '/';
      size_t nameEnd = at + (tag.closing ? 2 : 1);
      const size_t nameBegin = nameEnd;
      while (nameEnd < xml.size() && NameChar(xml[nameEnd])) ++nameEnd;
      tag.name = xml.substr(nameBegin, nameEnd - nameBegin);
      // The tag ends at the first '>' outside quotes.
      char quote = 0;
      size_t end = nameEnd;
      for (; end < xml.size(); ++end) {
        const char c = xml[end];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      if (end >= xml.size() || tag.name.empty()) return std::nullopt;
      tag.end = end + 1;
      tag.empty = !tag.closing && xml[end - 1] == '/';
      return tag;
    }
    if (at == std::string_view::npos) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<XmlTag> FindElement(std::string_view xml, std::string_view local, size_t from, size_t limit) {
  for (auto tag = NextTag(xml, from); tag && tag->begin < limit; tag = NextTag(xml, tag->end)) {
    if (!tag->closing && tag->local() == local) return tag;
  }
  return std::nullopt;
}

size_t ElementEnd(std::string_view xml, const XmlTag& tag) {
  if (tag.empty) return tag.end;
  int depth = 0;
  for (auto next = NextTag(xml, tag.begin); next; next = NextTag(xml, next->end)) {
    if (next->opens()) ++depth;
    if (next->closing && --depth == 0) return next->end;
  }
  return std::string_view::npos;
}

std::optional<ValueSpan> AttributeSpan(std::string_view xml, const XmlTag& tag, std::string_view name) {
  std::optional<ValueSpan> found;
  EachAttribute(xml, tag, [&](std::string_view attribute, ValueSpan value) {
    if (attribute == name) found = value;
    return found.has_value();
  });
  return found;
}

std::string AttributeText(std::string_view xml, const XmlTag& tag, std::string_view name) {
  const auto span = AttributeSpan(xml, tag, name);
  return span ? std::string(xml.substr(span->begin, span->end - span->begin)) : "";
}

std::string RootNamespace(std::string_view xml, std::string_view prefix) {
  const auto root = NextTag(xml, 0);
  if (!root) return "";
  return AttributeText(xml, *root, prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix));
}

bool OnlyPrefix(std::string_view xml, std::string_view prefix) {
  const auto prefixOf = [](std::string_view name) {
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
  };
  for (auto tag = NextTag(xml, 0); tag; tag = NextTag(xml, tag->end)) {
    if (prefixOf(tag->name) != prefix) return false;
    bool foreign = false;
    EachAttribute(xml, *tag, [&](std::string_view name, ValueSpan) {
      const std::string_view own = prefixOf(name);
      foreign = !own.empty() && own != prefix && own != "xml" && own != "xmlns";
      return foreign;
    });
    if (foreign) return false;
  }
  return true;
}

}  // namespace sheetwise::restore

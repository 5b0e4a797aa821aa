#include "host/NamedParts.h"

#include <cctype>
#include <set>
#include <string_view>
#include <vector>

#include "host/HostError.h"
#include "host/Translate.h"
#include "host/AsciiCase.h"

namespace sheetwise::host {
namespace {

// "sheet%201.xml" to "sheet 1.xml"; a "%" without two hex digits stays.
std::string Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A part name from the package root, ".." and "." resolved; the leading "/" dropped.
std::string Normalized(std::string_view name) {
  std::vector<std::string_view> pieces;
  while (!name.empty()) {
    const size_t slash = name.find('/');
    const std::string_view piece = name.substr(0, slash);
    name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    if (piece == "..") {
      if (!pieces.empty()) pieces.pop_back();
    } else if (!piece.empty() && piece != ".") {
      pieces.push_back(piece);
    }
  }
  std::string out;
  for (const auto piece : pieces) out += (out.empty() ? "" : "/") + std::string(piece);
  return out;
}

class PackageParts {
 public:
  explicit PackageParts(GsfInfile* zip) : names_(PartNames(zip)) {
    for (const auto& name : names_) held_.insert(AsciiLower(name));
  }
  const std::vector<std::string>& names() const { return names_; }
  bool holds(const std::string& name) const {
    return held_.contains(AsciiLower(name)) || held_.contains(AsciiLower(Unescaped(name)));
  }

 private:
  std::vector<std::string> names_;
  std::set<std::string> held_;
};

void CheckContentTypes(const PackageParts& parts, const XmlDoc& types) {
  const xmlNode* root = types ? xmlDocGetRootElement(types.get()) : nullptr;
  for (const xmlNode* node = root ? root->children : nullptr; node; node = node->next) {
    if (!Named(node, "Override")) continue;
    const std::string part = Normalized(Attribute(node, "PartName"));
    if (!part.empty() && !parts.holds(part)) {
      throw HostError(Tr("the workbook is damaged: its content types name the part %s, which it does not hold", {part}));
    }
  }
}

// What all relationship parts together may inflate to: real ones hold a few kilobytes.
constexpr size_t kMaxRelationshipBytes = 64u << 20;

// "xl/_rels/workbook.xml.rels" holds the relationships of "xl/workbook.xml",
// whose targets are relative to "xl/". bytesLeft: what the relationship parts
// may still inflate to.
void CheckRelationships(GsfInfile* zip, const PackageParts& parts, const std::string& relsPart, size_t& bytesLeft) {
  const size_t marker = relsPart.rfind("_rels/");
  if (marker == std::string::npos || (marker > 0 && relsPart[marker - 1] != '/') ||
      relsPart.find('/', marker + 6) != std::string::npos) {
    return;  // not a relationships part where the format puts them
  }
  const std::string folder = relsPart.substr(0, marker);
  const auto bytes = ReadPart(zip, relsPart, bytesLeft);
  if (bytes) bytesLeft -= bytes->size();
  const XmlDoc doc = bytes ? ParseXml(*bytes) : nullptr;
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (bytes && !root) throw HostError(Tr("the workbook is damaged: its part %s cannot be read", {relsPart}));
  for (const xmlNode* node = root ? root->children : nullptr; node; node = node->next) {
    if (!Named(node, "Relationship") || Attribute(node, "TargetMode") == "External") continue;
    std::string target = Attribute(node, "Target");
    target = target.substr(0, target.find('#'));
    if (target.empty()) continue;
    const std::string part = Normalized(target.front() == '/' ? target : folder + target);
    if (!part.empty() && !parts.holds(part)) {
      throw HostError(Tr("the workbook is damaged: its relationships name the part %s, which it does not hold", {part}));
    }
  }
}

}  // namespace

void CheckNamedPartsPresent(GsfInfile* zip, const XmlDoc& types) {
  const PackageParts parts(zip);
  CheckContentTypes(parts, types);
  size_t bytesLeft = kMaxRelationshipBytes;
  for (const auto& name : parts.names()) {
    if (AsciiLower(name).ends_with(".rels")) CheckRelationships(zip, parts, name, bytesLeft);
  }
}

}  // namespace sheetwise::host

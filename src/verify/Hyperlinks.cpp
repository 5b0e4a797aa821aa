#include "verify/Hyperlinks.h"

#include <map>

namespace sheetwise::verify {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Id -> target, as written, of the part's relationships to outside the package.
std::map<std::string, std::string> ExternalTargets(const ZipPackage& zip, const std::string& part) {
  std::map<std::string, std::string> targets;
  const std::string rels = RelationshipsPart(part);
  if (zip.find(rels).empty()) return targets;
  XmlStream xml(zip, rels);
  while (xml.next()) {
    if (xml.isStart() && xml.name() == "Relationship" && xml.attr("TargetMode") == "External") {
      zip.budget().hold();
      targets[xml.attr("Id")] = xml.attr("Target");
    }
  }
  return targets;
}

}  // namespace

std::string TargetAsSeen(std::string target) {
  std::string seen;
  seen.reserve(target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() && HexDigit(target[i + 1]) >= 0 && HexDigit(target[i + 2]) >= 0) {
      seen += static_cast<char>(HexDigit(target[i + 1]) * 16 + HexDigit(target[i + 2]));
      i += 2;
    } else {
      seen += target[i] == '\\' ? '/' : target[i];
    }
  }
  return seen;
}

PendingHyperlink ReadHyperlinkElement(const XmlStream& xml) {
  PendingHyperlink pending;
  ParseAreaName(xml.attr("ref"), pending.link.area);
  pending.relId = xml.attr("id");
  if (const std::string& location = xml.attr("location"); !location.empty()) pending.link.target = "#" + location;
  pending.link.tip = xml.attr("tooltip");
  return pending;
}

std::vector<Hyperlink> ResolveHyperlinks(const ZipPackage& zip, const std::string& part,
                                         std::vector<PendingHyperlink> pending) {
  std::vector<Hyperlink> links;
  if (pending.empty()) return links;
  const auto targets = ExternalTargets(zip, part);
  for (auto& [link, relId] : pending) {
    if (!relId.empty()) {
      const auto it = targets.find(relId);
      link.target = (it == targets.end() ? "" : it->second) + link.target;
    }
    link.target = TargetAsSeen(std::move(link.target));
    links.push_back(std::move(link));
  }
  return links;
}

}  // namespace sheetwise::verify

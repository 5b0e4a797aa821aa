#pragma once
// Hyperlinks as the readers find them, in the form they are compared in.

#include <string>
#include <vector>

#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::verify {

// A link's target as a user reads it: %XX escapes decoded, "\" as "/".
std::string TargetAsSeen(std::string target);

// A <hyperlink> element of a worksheet part, its target still to be found
// through the part's relationships.
struct PendingHyperlink {
  Hyperlink link;     // area, tip, and the place inside the target ("#Sheet2!A1") so far
  std::string relId;  // "" for a link to a place in the workbook itself
};
PendingHyperlink ReadHyperlinkElement(const XmlStream& xml);

// The links of the worksheet part, their targets taken from its relationships.
std::vector<Hyperlink> ResolveHyperlinks(const ZipPackage& zip, const std::string& part,
                                         std::vector<PendingHyperlink> pending);

}  // namespace sheetwise::verify

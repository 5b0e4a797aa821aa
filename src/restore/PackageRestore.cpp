#include "restore/PackageRestore.h"

#include "restore/OdsRestore.h"
#include "restore/OoxmlRestore.h"
#include "restore/PackageRewrite.h"
#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::restore {

Restored RestorePackage(host::WorkbookFormat format, const std::string& source, const std::string& written,
                        const verify::EditFootprint& footprint) {
  Restored restored;
  PartBytes parts;
  std::set<std::string> dropped;
  {
    verify::ReadBudget sourceBudget{verify::kMaxEntriesRead, verify::kMaxUnzippedBytesRead};
    verify::ReadBudget writtenBudget = sourceBudget;
    const verify::ZipPackage from(source, sourceBudget), to(written, writtenBudget);
    parts = format == host::WorkbookFormat::Ods ? RestoreOds(from, to, footprint, restored)
                                                : RestoreOoxml(from, to, footprint, restored, dropped);
  }
  if (!parts.empty() || !dropped.empty()) RewritePackage(written, parts, dropped);
  return restored;
}

}  // namespace sheetwise::restore

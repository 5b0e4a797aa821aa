#include "restore/RestoreDropped.h"

#include "host/WorkbookFile.h"
#include "restore/PackageRestore.h"
#include "restore/XlsRestore.h"

namespace sheetwise::restore {

Restored RestoreDropped(const std::string& source, const std::string& written, const verify::EditFootprint& footprint) {
  const host::WorkbookFormat format = host::InspectWorkbookFile(source).format;
  if (format == host::WorkbookFormat::Xls) return RestoreXls(source, written, footprint);
  return RestorePackage(format, source, written, footprint);
}

}  // namespace sheetwise::restore

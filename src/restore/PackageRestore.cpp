#include "restore/PackageRestore.h"

namespace sheetwise::restore {

Restored RestorePackage(host::WorkbookFormat, const std::string&, const std::string&, const verify::EditFootprint&) {
  return {};
}

}  // namespace sheetwise::restore

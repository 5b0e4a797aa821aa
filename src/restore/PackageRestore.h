#pragma once
// The restore of a zip package workbook (.xlsx, .xlsm, .ods): see RestoreDropped.h.

#include <string>

#include "host/WorkbookFile.h"
#include "restore/RestoreDropped.h"

namespace sheetwise::restore {

Restored RestorePackage(host::WorkbookFormat format, const std::string& source, const std::string& written,
                        const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

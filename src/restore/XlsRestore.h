#pragma once
// The restore of an Excel binary workbook (.xls): see RestoreDropped.h.

#include <string>

#include "restore/RestoreDropped.h"

namespace sheetwise::restore {

Restored RestoreXls(const std::string& source, const std::string& written, const verify::EditFootprint& footprint);

}  // namespace sheetwise::restore

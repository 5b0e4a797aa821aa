#pragma once
// What the office drops from an .xlsx or .xlsm and the closed list lets come
// back from the source: a very hidden sheet's state, the workbook's
// protection record, a sheet view's panes, the macro project's bytes,
// truth and error constants the office wrote as formulas (OoxmlConstantCells.h)
// and chart sheets (ChartSheets.h).

#include <set>
#include <string>

#include "restore/PackageRewrite.h"
#include "restore/RestoreDropped.h"
#include "verify/EditFootprint.h"
#include "verify/ZipParts.h"

namespace sheetwise::restore {

// The parts of written to put back in (empty when nothing is to be
// restored), and in dropped those to take out; what they restore is added to
// restored.
PartBytes RestoreOoxml(const verify::ZipPackage& source, const verify::ZipPackage& written,
                       const verify::EditFootprint& footprint, Restored& restored, std::set<std::string>& dropped);

}  // namespace sheetwise::restore

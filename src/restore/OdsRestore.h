#pragma once
// What the office drops from an .ods and the closed list lets come back from
// the source: the view settings that hold the sheets' frozen panes.

#include "restore/PackageRewrite.h"
#include "restore/RestoreDropped.h"
#include "verify/EditFootprint.h"
#include "verify/ZipParts.h"

namespace sheetwise::restore {

// The parts of written to put back in (empty when nothing is to be
// restored); what they restore is added to restored.
PartBytes RestoreOds(const verify::ZipPackage& source, const verify::ZipPackage& written,
                     const verify::EditFootprint& footprint, Restored& restored);

}  // namespace sheetwise::restore

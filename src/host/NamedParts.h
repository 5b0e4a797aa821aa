#pragma once
// An Office Open XML package lists its parts twice: its content types name
// parts one by one, and its relationships point from part to part. A part
// named there but absent is a package cut short or put together wrongly; the
// office would read such a workbook as if the part were empty (a sheet
// without its cells) and write it so.

#include <gsf/gsf.h>

#include <string>

#include "host/ZipPackage.h"

namespace sheetwise::host {

// Throws HostError ("the workbook is damaged: ...") naming the first part
// that types (the parsed [Content_Types].xml) or a relationship inside the
// package names and the package does not hold. Part names are compared as
// the package format has them: letter case ignored, %-escapes decoded.
void CheckNamedPartsPresent(GsfInfile* zip, const XmlDoc& types);

}  // namespace sheetwise::host

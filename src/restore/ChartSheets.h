#pragma once
// The office has no chart sheets: it writes one as a worksheet without cells
// whose drawing holds the chart. Such a sheet comes back as the source's chart
// sheet: its part and every part it leads to (its drawing, the chart, the
// chart's style and colours) byte for byte, under their own names or, where
// the office took a name, the next free one of the same kind, each with its
// relationships and content type; the office's worksheet, drawing and chart
// for it are taken out of the package, and the workbook's relationship to the
// sheet leads to the chart sheet.

#include <set>
#include <string>

#include "restore/PackageRewrite.h"
#include "verify/ZipParts.h"

namespace sheetwise::restore {

// The written sheet part `worksheet` (related from the written workbook part
// `workbook`) made the source's chart sheet part `chartSheet` again, into
// parts and dropped (which hold what earlier restores made of the package).
// False, and nothing changed, where the worksheet holds cells or anything
// besides its drawing and chart, where a part of either side is also reached
// from elsewhere, where the chart is drawn from a pivot table (which the
// office lays out anew), or where a part cannot be read.
bool RestoreChartSheet(const verify::ZipPackage& source, const verify::ZipPackage& written,
                       const std::string& workbook, const std::string& chartSheet, const std::string& worksheet,
                       PartBytes& parts, std::set<std::string>& dropped);

}  // namespace sheetwise::restore

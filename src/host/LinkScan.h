#pragma once
// Whether a workbook may hold hyperlinks, told from its file without the
// office and without reading it whole: saving one that holds none needs no
// care for its links.

#include <string>

#include "host/WorkbookFile.h"

namespace sheetwise::host {

// False only when the file surely holds no hyperlink: an .xls whose workbook
// stream has no link record, an .xlsx or .xlsm whose worksheets relate to no
// link, an .ods whose content names no link target. True when unsure.
bool MayHoldHyperlinks(const std::string& path, WorkbookFormat format);

}  // namespace sheetwise::host

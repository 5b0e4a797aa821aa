#pragma once
// Internal to the LibreOffice host: edits the spreadsheet itself would refuse,
// refused here before the office carries them out regardless.

#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <string>

#include "host/CellAddress.h"
#include "host/LoSession.h"

namespace sheetwise::host {

// Fails when the sheet is protected: what names the edit.
void CheckSheetUnprotected(const Reference<css::sheet::XSpreadsheet>& sheet, const std::string& what);

// Fails when the sheet is protected and the cell (zero-based) is locked.
void CheckCellWritable(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 column, sal_Int32 row,
                       const std::string& what);

// Fails when inserting count rows would push a non-blank cell off the grid's last row.
void CheckRowsFit(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 count, const std::string& what,
                  Grid grid);

// Fails when the document's structure is protected (sheets cannot be renamed).
void CheckStructureUnprotected(const Reference<css::lang::XComponent>& document, const std::string& what);

}  // namespace sheetwise::host

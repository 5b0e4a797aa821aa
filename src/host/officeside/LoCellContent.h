#pragma once
// Inside the office: what the program needs to know of one cell to give its
// text, read in one request instead of a call for each of its properties.

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include "host/LoSession.h"

namespace sheetwise::host {

// The cell at column and row (from 0) of sheet, as kCellContentTask answers
// it (OfficeSideTasks.h).
css::uno::Sequence<css::uno::Any> CellContent(const Reference<css::lang::XComponent>& document,
                                              const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 column,
                                              sal_Int32 row);

}  // namespace sheetwise::host

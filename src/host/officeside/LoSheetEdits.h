#pragma once
// Inside the office: the edits the rules make, each refused, before the office
// carries it out regardless, where the spreadsheet itself would refuse it.

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include "host/LoSession.h"

namespace sheetwise::host {

struct SheetEdit {
  Reference<css::lang::XComponent> document;
  Reference<css::sheet::XSpreadsheet> sheet;
  css::table::CellRangeAddress area;
  css::uno::Any value;
};

// Carries out the edits of a kSheetEditsTask (OfficeSideTasks.h) on document
// in order, each on its own sheet (the area's sheet number is taken from it),
// until one is refused or fails; answers as that task does.
css::uno::Sequence<css::uno::Any> RunSheetEdits(const Reference<css::lang::XComponent>& document,
                                                const css::uno::Sequence<css::uno::Any>& edits);

}  // namespace sheetwise::host

#pragma once
// Inside the office: the edits the rules make, each refused, before the office
// carries it out regardless, where the spreadsheet itself would refuse it.

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include <optional>

#include "host/LoSession.h"

namespace sheetwise::host {

struct SheetEdit {
  Reference<css::lang::XComponent> document;
  Reference<css::sheet::XSpreadsheet> sheet;
  css::table::CellRangeAddress area;
  css::uno::Any value;
};

// Carries out the edit the task names (OfficeSideTasks.h) on the edit's sheet
// (the area's sheet number is taken from it): the empty text, or the refusal;
// nothing when the task is no edit.
std::optional<OUString> RunSheetEdit(const OUString& task, SheetEdit edit);

}  // namespace sheetwise::host

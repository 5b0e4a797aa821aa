#include "host/LoEditChecks.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/util/CellProtection.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include "host/CellAddress.h"
#include "host/Translate.h"

namespace sheetwise::host {
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

bool IsProtected(const css::uno::Reference<css::uno::XInterface>& object) {
  Reference<css::util::XProtectable> protectable(object, UNO_QUERY);
  return protectable.is() && protectable->isProtected();
}

std::string SheetName(const Reference<css::sheet::XSpreadsheet>& sheet) {
  return FromOU(Reference<css::container::XNamed>(sheet, UNO_QUERY_THROW)->getName());
}

HostError Protected(const Reference<css::sheet::XSpreadsheet>& sheet, const std::string& what) {
  return HostError(Tr("the sheet \"%s\" is protected: %s would change it", {SheetName(sheet), what}));
}

}  // namespace

void CheckSheetUnprotected(const Reference<css::sheet::XSpreadsheet>& sheet, const std::string& what) {
  if (IsProtected(sheet)) throw Protected(sheet, what);
}

void CheckCellWritable(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 column, sal_Int32 row,
                       const std::string& what) {
  if (!IsProtected(sheet)) return;
  css::util::CellProtection protection;
  Reference<css::beans::XPropertySet>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)
          ->getPropertyValue("CellProtection") >>= protection;
  if (protection.IsLocked) throw Protected(sheet, what);
}

void CheckRowsFit(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 count, const std::string& what,
                  Grid grid) {
  using namespace css::sheet::CellFlags;
  Reference<css::sheet::XCellRangesQuery> bottom(
      sheet->getCellRangeByPosition(0, grid.rows - count, grid.columns - 1, grid.rows - 1), UNO_QUERY_THROW);
  const auto filled = bottom->queryContentCells(VALUE | DATETIME | STRING | FORMULA | ANNOTATION);
  if (filled->getRangeAddresses().getLength() > 0) {
    throw HostError(Tr("%s would push data in the sheet's last rows (up to row %s) off the sheet",
                       {what, std::to_string(grid.rows)}));
  }
}

void CheckStructureUnprotected(const Reference<css::lang::XComponent>& document, const std::string& what) {
  if (IsProtected(document)) {
    throw HostError(Tr("the workbook's structure is protected: %s would change it", {what}));
  }
}

}  // namespace sheetwise::host

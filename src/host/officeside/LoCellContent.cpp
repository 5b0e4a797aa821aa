#include "host/officeside/LoCellContent.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

namespace sheetwise::host {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

Sequence<Any> CellContent(const Reference<css::lang::XComponent>& document,
                          const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 column, sal_Int32 row) {
  const Reference<css::table::XCell> cell = sheet->getCellByPosition(column, row);
  const css::table::CellContentType type = cell->getType();
  OUString text;
  sal_Int16 formatType = 0;
  sal_Int32 result = 0;
  if (type != css::table::CellContentType_EMPTY) text = Reference<css::text::XText>(cell, UNO_QUERY_THROW)->getString();
  if (type == css::table::CellContentType_VALUE || type == css::table::CellContentType_FORMULA) {
    const Reference<css::beans::XPropertySet> properties(cell, UNO_QUERY_THROW);
    sal_Int32 key = 0;
    properties->getPropertyValue("NumberFormat") >>= key;
    Reference<css::util::XNumberFormatsSupplier>(document, UNO_QUERY_THROW)
            ->getNumberFormats()
            ->getByKey(key)
            ->getPropertyValue("Type") >>= formatType;
    if (type == css::table::CellContentType_FORMULA) properties->getPropertyValue("FormulaResultType2") >>= result;
  }
  return Seq<Any>({Any(sal_Int32(type)), Any(text), Any(cell->getValue()), Any(formatType), Any(cell->getError()),
                   Any(result), Any(cell->getFormula())});
}

}  // namespace sheetwise::host

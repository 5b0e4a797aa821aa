#include "host/officeside/LoTextFormulas.h"

#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>

#include "host/officeside/LoSheetProtection.h"

namespace sheetwise::host {
namespace {
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

bool HoldsArrayFormula(const Sequence<Sequence<OUString>>& formulas) {
  for (const auto& row : formulas) {
    for (const auto& formula : row) {
      if (formula.startsWith("{")) return true;
    }
  }
  return false;
}

// Cells entered one by one. A cell of an array formula ("{=...}") would
// become a text: it is left with the result the office gives it, and the
// check of the save tells when that is not the stored one.
void ReenterCellByCell(const Reference<css::sheet::XSpreadsheet>& sheet,
                       const css::table::CellRangeAddress& address) {
  for (sal_Int32 row = address.StartRow; row <= address.EndRow; ++row) {
    for (sal_Int32 column = address.StartColumn; column <= address.EndColumn; ++column) {
      const auto cell = sheet->getCellByPosition(column, row);
      const OUString formula = cell->getFormula();
      if (formula.startsWith("{")) continue;
      try {
        cell->setFormula(formula);
      } catch (const css::uno::RuntimeException&) {
        // refused: the cell keeps its formula, and the check of the save tells
      }
    }
  }
}

}  // namespace

void ReenterTextFormulas(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets) {
  for (const auto& sheet : sheets) {
    const auto textFormulas = Reference<css::sheet::XCellRangesQuery>(sheet, UNO_QUERY_THROW)
                                  ->queryFormulaCells(css::sheet::FormulaResult::STRING);
    const auto addresses = textFormulas->getRangeAddresses();
    if (!addresses.hasElements()) continue;
    const SheetUnprotected unprotected(sheet);
    if (!unprotected.editable()) continue;  // a password keeps its formulas as they are
    for (const auto& address : addresses) {
      Reference<css::sheet::XCellRangeFormula> cells(
          sheet->getCellRangeByPosition(address.StartColumn, address.StartRow, address.EndColumn, address.EndRow),
          UNO_QUERY_THROW);
      const auto formulas = cells->getFormulaArray();
      if (HoldsArrayFormula(formulas)) {
        ReenterCellByCell(sheet, address);
      } else {
        cells->setFormulaArray(formulas);
      }
    }
  }
}

}  // namespace sheetwise::host

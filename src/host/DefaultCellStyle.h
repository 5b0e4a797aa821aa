#pragma once
// The default cell style of a spreadsheet document and the parts of its font
// that set the width of a column's character unit. Used by the host and by
// the office-side library alike, so that a font read on one side is written
// back in the same order on the other.

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include "host/LoSession.h"

namespace sheetwise::host {

inline Reference<css::beans::XMultiPropertySet> DefaultCellStyle(const Reference<css::lang::XComponent>& document) {
  const auto families =
      Reference<css::style::XStyleFamiliesSupplier>(document, css::uno::UNO_QUERY_THROW)->getStyleFamilies();
  const Reference<css::container::XNameAccess> cellStyles(families->getByName("CellStyles"),
                                                          css::uno::UNO_QUERY_THROW);
  return Reference<css::beans::XMultiPropertySet>(cellStyles->getByName("Default"), css::uno::UNO_QUERY_THROW);
}

// Name, height and weight, in this order.
inline const css::uno::Sequence<OUString>& DefaultFontProperties() {
  static const css::uno::Sequence<OUString> names = Seq<OUString>({"CharFontName", "CharHeight", "CharWeight"});
  return names;
}

}  // namespace sheetwise::host

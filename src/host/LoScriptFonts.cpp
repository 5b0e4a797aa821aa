#include "host/LoScriptFonts.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include "host/LoSheetProtection.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// The font of one script, in the order of kScripts' suffixes.
const char* const kFontParts[] = {"CharFontName", "CharFontStyleName", "CharFontFamily", "CharFontCharSet",
                                  "CharFontPitch"};

Sequence<OUString> PartNames(const char* suffix) {
  Sequence<OUString> names(std::size(kFontParts));
  for (size_t i = 0; i < std::size(kFontParts); ++i) {
    names.getArray()[i] = OUString::createFromAscii(kFontParts[i]) + OUString::createFromAscii(suffix);
  }
  return names;
}

bool Differs(const Reference<css::beans::XMultiPropertySet>& target) {
  static const Sequence<OUString> western = PartNames("");
  static const Sequence<OUString> asian = PartNames("Asian");
  static const Sequence<OUString> complex = PartNames("Complex");
  const Sequence<Any> font = target->getPropertyValues(western);
  return target->getPropertyValues(asian) != font || target->getPropertyValues(complex) != font;
}

// A part the office refuses to take (a style's void default, say) stays as it
// is; the verification of the saved file reports a font that comes out wrong.
void Unify(const Reference<css::beans::XMultiPropertySet>& target) {
  static const Sequence<OUString> western = PartNames("");
  static const Sequence<OUString> asian = PartNames("Asian");
  static const Sequence<OUString> complex = PartNames("Complex");
  const Sequence<Any> font = target->getPropertyValues(western);
  Reference<css::beans::XPropertySet> single(target, UNO_QUERY_THROW);
  for (const auto* other : {&asian, &complex}) {
    const Sequence<Any> current = target->getPropertyValues(*other);
    for (sal_Int32 i = 0; i < font.getLength(); ++i) {
      if (current[i] == font[i] || !font[i].hasValue()) continue;
      try {
        single->setPropertyValue((*other)[i], font[i]);
      } catch (const css::uno::Exception&) {
      }
    }
  }
}

}  // namespace

void UnifyScriptFonts(const Reference<css::lang::XComponent>& document) {
  Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> styles(families->getStyleFamilies()->getByName("CellStyles"),
                                                 UNO_QUERY_THROW);
  for (sal_Int32 i = 0; i < styles->getCount(); ++i) {
    Unify(Reference<css::beans::XMultiPropertySet>(styles->getByIndex(i), UNO_QUERY_THROW));
  }
  Reference<css::container::XIndexAccess> sheets(
      Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
  for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
    Reference<css::sheet::XSpreadsheet> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
    const SheetUnprotected unprotected(sheet);
    if (!unprotected.editable()) continue;  // its cells cannot take other fonts
    Reference<css::sheet::XUniqueCellFormatRangesSupplier> supplier(sheet, UNO_QUERY_THROW);
    const auto formats = supplier->getUniqueCellFormatRanges();
    for (sal_Int32 j = 0; j < formats->getCount(); ++j) {
      // Each rectangle on its own: setting fonts on a whole collection of
      // ranges at once can bring the office down.
      Reference<css::sheet::XSheetCellRanges> ranges(formats->getByIndex(j), UNO_QUERY_THROW);
      const auto addresses = ranges->getRangeAddresses();
      Reference<css::beans::XMultiPropertySet> first(
          sheet->getCellRangeByPosition(addresses[0].StartColumn, addresses[0].StartRow, addresses[0].EndColumn,
                                        addresses[0].EndRow),
          UNO_QUERY_THROW);
      if (Differs(first)) {
        for (const auto& a : addresses) {
          Unify(Reference<css::beans::XMultiPropertySet>(
              sheet->getCellRangeByPosition(a.StartColumn, a.StartRow, a.EndColumn, a.EndRow), UNO_QUERY_THROW));
        }
      }
    }
  }
}

}  // namespace sheetwise::host

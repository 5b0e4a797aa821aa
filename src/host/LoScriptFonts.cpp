#include "host/LoScriptFonts.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include <map>

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

// Gives target the Western font of `from` for the other scripts where `from`
// has another, in one call (each call re-applies the format to every range
// of target). A part the office refuses to take (a style's void default, say)
// stays as it is; the check of the saved file reports a font that comes out
// wrong.
void Unify(const Reference<css::beans::XMultiPropertySet>& from, const Reference<css::beans::XMultiPropertySet>& target) {
  static const Sequence<OUString> western = PartNames("");
  static const Sequence<OUString> asian = PartNames("Asian");
  static const Sequence<OUString> complex = PartNames("Complex");
  const Sequence<Any> font = from->getPropertyValues(western);
  std::map<OUString, Any> changes;  // sorted by name, as the multi-property call wants them
  for (const auto* other : {&asian, &complex}) {
    const Sequence<Any> current = from->getPropertyValues(*other);
    for (sal_Int32 i = 0; i < font.getLength(); ++i) {
      if (current[i] != font[i] && font[i].hasValue()) changes.emplace((*other)[i], font[i]);
    }
  }
  if (changes.empty()) return;
  Sequence<OUString> names(static_cast<sal_Int32>(changes.size()));
  Sequence<Any> values(static_cast<sal_Int32>(changes.size()));
  sal_Int32 n = 0;
  for (const auto& [name, value] : changes) {
    names.getArray()[n] = name;
    values.getArray()[n++] = value;
  }
  try {
    target->setPropertyValues(names, values);
  } catch (const css::uno::Exception&) {
    Reference<css::beans::XPropertySet> single(target, UNO_QUERY_THROW);
    for (const auto& [name, value] : changes) {
      try {
        single->setPropertyValue(name, value);
      } catch (const css::uno::Exception&) {
      }
    }
  }
}

// Whether a text of the sheet's used area may hold Asian or complex script
// (any character from U+0590 on); sheets without such text are left alone,
// as setting fonts on many formats costs seconds.
bool MayHoldOtherScripts(const Reference<css::sheet::XSpreadsheet>& sheet) {
  Reference<css::sheet::XUsedAreaCursor> cursor(sheet->createCursor(), UNO_QUERY_THROW);
  cursor->gotoEndOfUsedArea(false);
  const auto end = Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
  Reference<css::sheet::XCellRangeData> data(sheet->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow),
                                             UNO_QUERY_THROW);
  for (const auto& row : data->getDataArray()) {
    for (const auto& value : row) {
      OUString text;
      if (!(value >>= text)) continue;
      for (sal_Int32 i = 0; i < text.getLength(); ++i) {
        if (text[i] >= 0x0590) return true;
      }
    }
  }
  return false;
}

}  // namespace

void UnifyScriptFonts(const Reference<css::lang::XComponent>& document) {
  Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> styles(families->getStyleFamilies()->getByName("CellStyles"),
                                                 UNO_QUERY_THROW);
  for (sal_Int32 i = 0; i < styles->getCount(); ++i) {
    const Reference<css::beans::XMultiPropertySet> style(styles->getByIndex(i), UNO_QUERY_THROW);
    Unify(style, style);
  }
  Reference<css::container::XIndexAccess> sheets(
      Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
  for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
    Reference<css::sheet::XSpreadsheet> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
    const SheetUnprotected unprotected(sheet);
    if (!unprotected.editable()) continue;  // its cells cannot take other fonts
    if (!MayHoldOtherScripts(sheet)) continue;
    Reference<css::sheet::XUniqueCellFormatRangesSupplier> supplier(sheet, UNO_QUERY_THROW);
    const auto formats = supplier->getUniqueCellFormatRanges();
    for (sal_Int32 j = 0; j < formats->getCount(); ++j) {
      // Every cell of one format has its fonts: the first one is read, the
      // whole format written at once.
      Reference<css::sheet::XSheetCellRanges> cells(formats->getByIndex(j), UNO_QUERY_THROW);
      const auto first = cells->getRangeAddresses()[0];
      Unify(Reference<css::beans::XMultiPropertySet>(sheet->getCellByPosition(first.StartColumn, first.StartRow),
                                                     UNO_QUERY_THROW),
            Reference<css::beans::XMultiPropertySet>(cells, UNO_QUERY_THROW));
    }
  }
}

}  // namespace sheetwise::host

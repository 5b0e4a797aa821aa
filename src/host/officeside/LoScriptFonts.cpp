#include "host/officeside/LoScriptFonts.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>

#include <map>
#include <vector>

#include "host/officeside/LoSheetProtection.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// The parts of one script's font.
const char* const kFontParts[] = {"CharFontName", "CharFontStyleName", "CharFontFamily", "CharFontCharSet",
                                  "CharFontPitch"};
constexpr sal_Int32 kParts = static_cast<sal_Int32>(std::size(kFontParts));
const char* const kScripts[] = {"", "Asian", "Complex"};  // Western first

// Every part of every script, script by script: all read in one call.
const Sequence<OUString>& AllParts() {
  static const Sequence<OUString> names = [] {
    Sequence<OUString> all(kParts * static_cast<sal_Int32>(std::size(kScripts)));
    sal_Int32 n = 0;
    for (const char* script : kScripts) {
      for (const char* part : kFontParts) {
        all.getArray()[n++] = OUString::createFromAscii(part) + OUString::createFromAscii(script);
      }
    }
    return all;
  }();
  return names;
}

// What gives the other scripts the Western font, sorted by name as the
// multi-property call wants it; fonts holds AllParts' values.
std::map<OUString, Any> Changes(const Sequence<Any>& fonts) {
  std::map<OUString, Any> changes;
  for (sal_Int32 i = kParts; i < fonts.getLength(); ++i) {
    const Any& western = fonts[i % kParts];
    if (fonts[i] != western && western.hasValue()) changes.emplace(AllParts()[i], western);
  }
  return changes;
}

// In one call (each call re-applies the format to every range of target). A
// part the office refuses to take (a style's void default, say) stays as it
// is; the check of the saved file reports a font that comes out wrong.
void Apply(const Reference<css::beans::XMultiPropertySet>& target, const std::map<OUString, Any>& changes) {
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

// Gives an object with one font per script (a style, the cells of one
// format, a run of text) its Western font for the other scripts.
void Unify(const Reference<css::beans::XMultiPropertySet>& target) {
  Apply(target, Changes(target->getPropertyValues(AllParts())));
}

// The office's own cell styles (those it gives every document) other than
// Default have no font of their own: they take Default's, so once Default is
// done they are too. Reading a workbook never writes into them (the file's
// styles are made under names of their own, and only its Normal style goes
// into Default), so they are passed over.
bool InheritsItsFont(const OUString& style) {
  static const char* const kOfficeStyles[] = {
      "Heading", "Heading 1", "Heading 2", "Text", "Note", "Footnote", "Hyperlink", "Status", "Good",
      "Neutral", "Bad", "Warning", "Error", "Accent", "Accent 1", "Accent 2", "Accent 3", "Result", "Result2"};
  for (const char* name : kOfficeStyles) {
    if (style.equalsAscii(name)) return true;
  }
  return false;
}

bool HoldsOtherScripts(const Sequence<Sequence<Any>>& values) {
  for (const auto& row : values) {
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

// Whether a text of the sheet may hold Asian or complex script (any character
// from U+0590 on). Only the cells that hold a text or a formula are read: a
// sheet with a cell in its last row and one in its last column has a used
// area of billions of empty cells.
bool MayHoldOtherScripts(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const auto texts = Reference<css::sheet::XCellRangesQuery>(sheet, UNO_QUERY_THROW)
                         ->queryContentCells(css::sheet::CellFlags::STRING | css::sheet::CellFlags::FORMULA);
  for (const auto& area : texts->getRangeAddresses()) {
    const Reference<css::sheet::XCellRangeData> cells(
        sheet->getCellRangeByPosition(area.StartColumn, area.StartRow, area.EndColumn, area.EndRow), UNO_QUERY_THROW);
    if (HoldsOtherScripts(cells->getDataArray())) return true;
  }
  return false;
}

// Every format of the sheet, read from one of its cells (all cells of a
// unique format share it; a read over all its ranges costs far more) and
// written to all at once.
void UnifyFormats(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const auto formats = Reference<css::sheet::XUniqueCellFormatRangesSupplier>(sheet, UNO_QUERY_THROW)
                           ->getUniqueCellFormatRanges();
  for (sal_Int32 j = 0; j < formats->getCount(); ++j) {
    const Reference<css::sheet::XSheetCellRanges> ranges(formats->getByIndex(j), UNO_QUERY_THROW);
    const auto addresses = ranges->getRangeAddresses();
    if (!addresses.hasElements()) continue;
    const Reference<css::beans::XMultiPropertySet> cell(
        sheet->getCellByPosition(addresses[0].StartColumn, addresses[0].StartRow), UNO_QUERY_THROW);
    Apply(Reference<css::beans::XMultiPropertySet>(ranges, UNO_QUERY_THROW),
          Changes(cell->getPropertyValues(AllParts())));
  }
}

// Runs of rich text (cells with formatted text) keep their own fonts: a run
// in a font of its own whose Asian text took the cell's font would lose that
// font and merge with its neighbour. Each run gets its Western font for the
// other scripts, as the cells do.
void UnifyRuns(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const auto formatted = Reference<css::sheet::XCellRangesQuery>(sheet, UNO_QUERY_THROW)
                             ->queryContentCells(css::sheet::CellFlags::FORMATTED);
  for (const auto& area : formatted->getRangeAddresses()) {
    for (sal_Int32 row = area.StartRow; row <= area.EndRow; ++row) {
      for (sal_Int32 column = area.StartColumn; column <= area.EndColumn; ++column) {
        Reference<css::container::XEnumerationAccess> text(sheet->getCellByPosition(column, row), UNO_QUERY_THROW);
        const auto paragraphs = text->createEnumeration();
        while (paragraphs->hasMoreElements()) {
          const auto runs =
              Reference<css::container::XEnumerationAccess>(paragraphs->nextElement(), UNO_QUERY_THROW)
                  ->createEnumeration();
          while (runs->hasMoreElements()) {
            Unify(Reference<css::beans::XMultiPropertySet>(runs->nextElement(), UNO_QUERY_THROW));
          }
        }
      }
    }
  }
}

}  // namespace

void UnifyScriptFonts(const Reference<css::lang::XComponent>& document,
                      const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets) {
  Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
  Reference<css::container::XNameAccess> styles(families->getStyleFamilies()->getByName("CellStyles"),
                                                UNO_QUERY_THROW);
  for (const OUString& name : styles->getElementNames()) {
    if (InheritsItsFont(name)) continue;
    Unify(Reference<css::beans::XMultiPropertySet>(styles->getByName(name), UNO_QUERY_THROW));
  }
  // Sheets without text in other scripts are left alone, as setting fonts on
  // many formats costs seconds: read first, as that needs no unprotecting. A
  // password keeps a sheet's cells from taking other fonts.
  for (const auto& sheet : sheets) {
    if (!MayHoldOtherScripts(sheet)) continue;
    const SheetUnprotected unprotected(sheet);
    if (!unprotected.editable()) continue;
    UnifyFormats(sheet);
    UnifyRuns(sheet);
  }
}

}  // namespace sheetwise::host

#pragma once
// Column widths in Excel's character units. The Excel export turns a column's
// internal width into character units through the digit width of the
// workbook's default font as the installed fonts render it, so the map is
// measured once per font with a probe workbook, not assumed.

#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Sequence.hxx>

#include "host/LoSession.h"

namespace sheetwise::host {

// The scale for a document whose default cell style has this font (name,
// height, weight): measured, or from the cache.
WidthScale MeasureWidthScale(LoSession& session, const css::uno::Sequence<css::uno::Any>& font);

// The internal width (1/100 mm) that the export writes as `characters` wide,
// stored as (characters * 7 + 5) / 7 * 256 as for a 7-pixel digit.
sal_Int32 InternalColumnWidth(const WidthScale& scale, double characters);

}  // namespace sheetwise::host

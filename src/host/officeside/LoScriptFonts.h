#pragma once
// A cell's font in an .xls applies to every script of its text. The office
// keeps a separate font for Asian and complex scripts and, when the file's
// font lacks their glyphs here, fills in its own default, which the export
// then writes for cells holding such text (and splits mixed texts into runs).

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <vector>

#include "host/LoSession.h"

namespace sheetwise::host {

// Gives every cell style and every distinct cell format of the document (its
// sheets given), and every run of rich text, the same font for Asian and
// complex scripts as for Western text.
void UnifyScriptFonts(const Reference<css::lang::XComponent>& document,
                      const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets);

}  // namespace sheetwise::host

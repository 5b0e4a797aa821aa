#pragma once
// Inside the office: loading a document, and what the program asks of a whole
// document once it is loaded, each in one request.

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include "host/LoSession.h"

namespace sheetwise::host {

// A spreadsheet document loaded as descriptor says, with no frame or view; on
// failure the half-made document is closed and the office's error passed on.
Reference<css::lang::XComponent> LoadSpreadsheet(const Reference<css::uno::XComponentContext>& context,
                                                 const css::uno::Sequence<css::beans::PropertyValue>& descriptor);

// LoadSpreadsheet, then the document made ready for the program's work:
// answers the document, the import filter the office used, the extent of a
// sheet as loaded (the last row and column, counted from 0), the default
// cell style's font (name, height, weight) once ready, and, where the
// workbook has few sheets, {their names, the sheets} ({} where it has many),
// and the date that serial number 0 stands for (a css::util::Date). For
// editing (edit true), edits are allowed in the read-only document and not
// recorded for undo, rows keep their heights, and with a font given (fontName
// not empty) the default cell style takes it for every script. On failure of
// either step the document is closed.
css::uno::Sequence<css::uno::Any> LoadForWork(const Reference<css::uno::XComponentContext>& context,
                                              const css::uno::Sequence<css::beans::PropertyValue>& descriptor,
                                              bool edit, const OUString& fontName, float fontHeight);

// The sheet of that name (the exact name first, else ignoring ASCII letter
// case), or nothing.
Reference<css::sheet::XSpreadsheet> SheetNamed(const Reference<css::lang::XComponent>& document,
                                               const OUString& name);

// The sheet at that position (from 0), or nothing.
Reference<css::sheet::XSpreadsheet> SheetAt(const Reference<css::lang::XComponent>& document, sal_Int32 position);

void StoreToUrl(const Reference<css::lang::XComponent>& document, const OUString& url,
                const css::uno::Sequence<css::beans::PropertyValue>& arguments);

// Closes the document, unsaved.
void CloseDocument(const Reference<css::lang::XComponent>& document);

}  // namespace sheetwise::host

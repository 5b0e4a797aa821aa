#include "host/officeside/LoDocumentTasks.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XLoadable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>

#include "host/DefaultCellStyle.h"
#include "host/SheetLookup.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

Reference<css::container::XIndexAccess> Sheets(const Reference<css::lang::XComponent>& document) {
  return Reference<css::container::XIndexAccess>(
      Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
}

// The names of the sheets, in sheet order.
Sequence<OUString> SheetNames(const Reference<css::lang::XComponent>& document) {
  return Reference<css::container::XNameAccess>(Sheets(document), UNO_QUERY_THROW)->getElementNames();
}

// Every sheet, with its names, where there are few: the program then finds
// them without asking (SheetLookup.h). Empty where there are many.
constexpr sal_Int32 kSheetsAnsweredAtLoad = 16;
Sequence<Any> FewSheets(const Reference<css::lang::XComponent>& document) {
  const auto sheets = Sheets(document);
  if (sheets->getCount() > kSheetsAnsweredAtLoad) return {};
  Sequence<Reference<css::sheet::XSpreadsheet>> all(sheets->getCount());
  for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
    all.getArray()[i].set(sheets->getByIndex(i), UNO_QUERY_THROW);
  }
  return Seq<Any>({Any(SheetNames(document)), Any(all)});
}

// The office's default cell style takes the font that Excel takes for the
// normal style of a file without cell styles; the export writes it, and
// converts the column widths with it.
void UseDefaultFont(const Reference<css::lang::XComponent>& document, const OUString& name, float height) {
  const Reference<css::beans::XPropertySet> style(DefaultCellStyle(document), UNO_QUERY_THROW);
  for (const char* script : {"", "Asian", "Complex"}) {
    style->setPropertyValue("CharFontName" + OUString::createFromAscii(script), Any(name));
    style->setPropertyValue("CharHeight" + OUString::createFromAscii(script), Any(height));
  }
}

// Closes a document that failed half-way; the failure's own error is the one to report.
void CloseAfterFailure(const Reference<css::uno::XInterface>& document) {
  try {
    CloseDocument(Reference<css::lang::XComponent>(document, UNO_QUERY_THROW));
  } catch (const css::uno::Exception&) {
  }
}

// Makes a loaded document ready for the program's work and answers what
// LoadForWork answers after the document (LoDocumentTasks.h).
Sequence<Any> PrepareDocument(const Reference<css::lang::XComponent>& document, bool edit, const OUString& fontName,
                              float fontHeight) {
  OUString filter;
  for (const auto& argument : Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getArgs()) {
    if (argument.Name == "FilterName") argument.Value >>= filter;
  }
  if (edit) {
    // Edits are never undone here: recording undo data costs more than many
    // an edit (a column width copies the whole column).
    const Reference<css::beans::XPropertySet> properties(document, UNO_QUERY_THROW);
    properties->setPropertyValue("IsChangeReadOnlyEnabled", Any(true));
    properties->setPropertyValue("IsUndoEnabled", Any(false));
    properties->setPropertyValue("IsAdjustHeightEnabled", Any(false));
    if (!fontName.isEmpty()) UseDefaultFont(document, fontName, fontHeight);
  }
  const Reference<css::sheet::XCellRangeAddressable> first(Sheets(document)->getByIndex(0), UNO_QUERY_THROW);
  const auto whole = first->getRangeAddress();
  const Sequence<Any> font = DefaultCellStyle(document)->getPropertyValues(DefaultFontProperties());
  const Any nullDate = Reference<css::beans::XPropertySet>(document, UNO_QUERY_THROW)->getPropertyValue("NullDate");
  return Seq<Any>(
      {Any(filter), Any(whole.EndRow), Any(whole.EndColumn), Any(font), Any(FewSheets(document)), nullDate});
}

}  // namespace

Reference<css::lang::XComponent> LoadSpreadsheet(const Reference<css::uno::XComponentContext>& context,
                                                 const Sequence<css::beans::PropertyValue>& descriptor) {
  const Reference<css::frame::XLoadable> document(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.sheet.SpreadsheetDocument", context),
      UNO_QUERY_THROW);
  try {
    document->load(descriptor);
  } catch (...) {
    CloseAfterFailure(document);
    throw;
  }
  return Reference<css::lang::XComponent>(document, UNO_QUERY_THROW);
}

Sequence<Any> LoadForWork(const Reference<css::uno::XComponentContext>& context,
                          const Sequence<css::beans::PropertyValue>& descriptor, bool edit, const OUString& fontName,
                          float fontHeight) {
  const Reference<css::lang::XComponent> document = LoadSpreadsheet(context, descriptor);
  try {
    const Sequence<Any> prepared = PrepareDocument(document, edit, fontName, fontHeight);
    Sequence<Any> answer(prepared.getLength() + 1);
    answer.getArray()[0] <<= document;
    std::copy(prepared.begin(), prepared.end(), answer.getArray() + 1);
    return answer;
  } catch (...) {
    CloseAfterFailure(document);
    throw;
  }
}

Reference<css::sheet::XSpreadsheet> SheetNamed(const Reference<css::lang::XComponent>& document,
                                               const OUString& name) {
  const sal_Int32 position = SheetPosition(SheetNames(document), name);
  return SheetAt(document, position);
}

Reference<css::sheet::XSpreadsheet> SheetAt(const Reference<css::lang::XComponent>& document, sal_Int32 position) {
  const auto sheets = Sheets(document);
  if (position < 0 || position >= sheets->getCount()) return {};
  return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(position), UNO_QUERY_THROW);
}

void StoreToUrl(const Reference<css::lang::XComponent>& document, const OUString& url,
                const Sequence<css::beans::PropertyValue>& arguments) {
  Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->storeToURL(url, arguments);
}

void CloseDocument(const Reference<css::lang::XComponent>& document) {
  const Reference<css::util::XCloseable> closeable(document, css::uno::UNO_QUERY);
  if (closeable.is()) closeable->close(true);
}

}  // namespace sheetwise::host

#include "BareOffice.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include "host/OfficeSideTasks.h"
#include "host/WorkPhases.h"
#include "host/WorkbookFile.h"

namespace sheetwise::bench {
namespace {
using css::beans::PropertyValue;
using css::uno::Any;
using host::OUString;

PropertyValue Property(const char* name, Any value) {
  PropertyValue property;
  property.Name = OUString::createFromAscii(name);
  property.Value = std::move(value);
  return property;
}

}  // namespace

BareOffice::BareOffice(std::string exportFilter, bool frameless)
    : exportFilter_(std::move(exportFilter)),
      frameless_(frameless),
      profile_(host::DefaultCacheRoot()),
      session_(SHEETWISE_LO_PROGRAM, profile_, std::chrono::seconds(60), std::chrono::seconds(120), 0) {}

void BareOffice::copy(const std::string& path, const std::string& out) {
  host::EnterPhase(host::WorkPhase::Load);
  const auto info = host::InspectWorkbookFile(path);
  const OUString url = host::FileUrl(path);
  const auto arguments = host::Seq({Property("Hidden", Any(true)), Property("ReadOnly", Any(true)),
                                     Property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
                                     Property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
                                     Property("FilterName", Any(host::ToOU(info.filterName))),
                                     Property("URL", Any(url))});
  css::uno::Reference<css::lang::XComponent> document;
  if (frameless_) {
    session_.runOfficeTask(host::kLoadSpreadsheetTask, {}, {css::beans::NamedValue("Value", Any(arguments))}) >>=
        document;
  } else {
    document = session_.loader()->loadComponentFromURL(url, "_blank", 0, arguments);
  }
  host::EnterPhase(host::WorkPhase::Store);
  css::uno::Reference<css::frame::XStorable>(document, css::uno::UNO_QUERY_THROW)
      ->storeToURL(host::FileUrl(out), host::Seq({Property("FilterName", Any(host::ToOU(exportFilter_))),
                                                  Property("Overwrite", Any(true))}));
  host::EnterPhase(host::WorkPhase::Close);
  css::uno::Reference<css::util::XCloseable>(document, css::uno::UNO_QUERY_THROW)->close(true);
}

}  // namespace sheetwise::bench

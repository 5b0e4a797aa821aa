// The component library loaded into the office process: one object that runs
// a named task on a document passed to it (OfficeSideTasks.h).

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>
#include <uno/lbnames.h>

#include <time.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "host/officeside/LoBuiltInNames.h"
#include "host/officeside/LoCellContent.h"
#include "host/officeside/LoDocumentTasks.h"
#include "host/officeside/LoLinkBase.h"
#include "host/officeside/LoScriptFonts.h"
#include "host/officeside/LoSheetEdits.h"
#include "host/officeside/LoTextFormulas.h"
#include "host/OfficeSideTasks.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

std::vector<Reference<css::sheet::XSpreadsheet>> AllSheets(const Reference<css::lang::XComponent>& document) {
  const Reference<css::container::XIndexAccess> sheets(
      Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
  std::vector<Reference<css::sheet::XSpreadsheet>> all;
  for (sal_Int32 i = 0; i < sheets->getCount(); ++i) all.emplace_back(sheets->getByIndex(i), UNO_QUERY_THROW);
  return all;
}

Any LoadForWorkAsAsked(const Reference<css::uno::XComponentContext>& context, const Any& value) {
  const auto settings = value.get<Sequence<Any>>();
  if (settings.getLength() != 4) throw css::lang::IllegalArgumentException("LoadForWork takes four values", {}, 0);
  return Any(LoadForWork(context, settings[0].get<Sequence<css::beans::PropertyValue>>(), settings[1].get<bool>(),
                         settings[2].get<OUString>(), settings[3].get<float>()));
}

// The wall seconds and the office process's CPU seconds since it was made,
// added to a list as a pair.
class StepTimer {
 public:
  StepTimer() : wall_(std::chrono::steady_clock::now()), cpu_(CpuSeconds()) {}
  void addTo(std::vector<double>& times) const {
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count());
    times.push_back(CpuSeconds() - cpu_);
  }

 private:
  static double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  }
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
};

// The URL of the folder that holds the file at url, ending in "/".
OUString FolderUrl(const OUString& url) { return url.copy(0, url.lastIndexOf('/') + 1); }

// Fonts first: reading the cells to see their scripts is done before
// formulas entered again are computed by that reading.
Any StoreAsAsked(const Reference<css::lang::XComponent>& document, const Any& value) {
  const auto settings = value.get<Sequence<Any>>();
  if (settings.getLength() != 6) throw css::lang::IllegalArgumentException("Store takes six values", {}, 0);
  std::vector<double> times;
  const StepTimer fonts;
  if (settings[2].get<bool>()) UnifyScriptFonts(document, AllSheets(document));
  fonts.addTo(times);
  const StepTimer textResults;
  if (settings[3].get<bool>()) ReenterTextFormulas(AllSheets(document));
  textResults.addTo(times);
  const OUString url = settings[0].get<OUString>();
  std::optional<LinksMovedForStore> links;
  if (settings[4].get<bool>()) {
    links.emplace(AllSheets(document), FolderUrl(Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL()),
                  FolderUrl(url));
  }
  std::optional<BuiltInNamesSetAside> builtInNames;
  if (settings[5].get<bool>()) builtInNames.emplace(AllSheets(document));
  StoreToUrl(document, url, settings[1].get<Sequence<css::beans::PropertyValue>>());
  return Any(Sequence<double>(times.data(), static_cast<sal_Int32>(times.size())));
}

Any CellContentAsAsked(const Reference<css::lang::XComponent>& document, const Any& value) {
  const auto cell = value.get<Sequence<Any>>();
  if (cell.getLength() != 3) throw css::lang::IllegalArgumentException("CellContent takes three values", {}, 0);
  return Any(CellContent(document, cell[0].get<Reference<css::sheet::XSpreadsheet>>(), cell[1].get<sal_Int32>(),
                         cell[2].get<sal_Int32>()));
}

class OfficeSideTasks : public cppu::WeakImplHelper1<css::task::XJob> {
 public:
  explicit OfficeSideTasks(Reference<css::uno::XComponentContext> context) : context_(std::move(context)) {}

  Any SAL_CALL execute(const Sequence<css::beans::NamedValue>& arguments) override {
    OUString task;
    Reference<css::lang::XComponent> document;
    Any value;
    for (const auto& argument : arguments) {
      if (argument.Name == "Task") argument.Value >>= task;
      if (argument.Name == "Document") argument.Value >>= document;
      if (argument.Name == "Value") value = argument.Value;
    }
    if (task.equalsAscii(kLoadSpreadsheetTask)) {
      return Any(LoadSpreadsheet(context_, value.get<Sequence<css::beans::PropertyValue>>()));
    }
    if (task.equalsAscii(kLoadForWorkTask)) return LoadForWorkAsAsked(context_, value);
    if (!document.is()) throw css::lang::IllegalArgumentException("no document", *this, 0);
    if (task.equalsAscii(kSheetEditsTask)) return Any(RunSheetEdits(document, value.get<Sequence<Any>>()));
    if (task.equalsAscii(kStoreTask)) return StoreAsAsked(document, value);
    if (task.equalsAscii(kCloseTask)) {
      CloseDocument(document);
      return Any();
    }
    if (task.equalsAscii(kSheetNamedTask)) return Any(SheetNamed(document, value.get<OUString>()));
    if (task.equalsAscii(kSheetAtTask)) return Any(SheetAt(document, value.get<sal_Int32>()));
    if (task.equalsAscii(kCellContentTask)) return CellContentAsAsked(document, value);
    throw css::lang::IllegalArgumentException("unknown task " + task, *this, 0);
  }

 private:
  Reference<css::uno::XComponentContext> context_;
};

Reference<css::uno::XInterface> Create(const Reference<css::uno::XComponentContext>& context) {
  return static_cast<cppu::OWeakObject*>(new OfficeSideTasks(context));
}

}  // namespace
}  // namespace sheetwise::host

// The entry points the office's shared-library loader looks for.
extern "C" SAL_DLLPUBLIC_EXPORT void component_getImplementationEnvironment(const char** environment,
                                                                           uno_Environment**) {
  *environment = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

extern "C" SAL_DLLPUBLIC_EXPORT void* component_getFactory(const char* implementation, void*, void*) {
  using namespace sheetwise::host;
  if (std::strcmp(implementation, kOfficeSideImplementation) != 0) return nullptr;
  const Reference<css::lang::XSingleComponentFactory> factory = cppu::createSingleComponentFactory(
      Create, OUString::createFromAscii(kOfficeSideImplementation), css::uno::Sequence<OUString>());
  factory->acquire();  // the loader takes this reference over
  return factory.get();
}

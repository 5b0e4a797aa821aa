// The component library loaded into the office process: one object that runs
// a named task on a document passed to it (OfficeSideTasks.h).

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <cppuhelper/factory.hxx>
#include <cppuhelper/implbase1.hxx>
#include <uno/lbnames.h>

#include <cstring>
#include <vector>

#include "host/LoScriptFonts.h"
#include "host/LoSheetEdits.h"
#include "host/LoTextFormulas.h"
#include "host/OfficeSideTasks.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

std::vector<Reference<css::sheet::XSpreadsheet>> Sheets(const Reference<css::lang::XComponent>& document) {
  const Reference<css::container::XIndexAccess> sheets(
      Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
  std::vector<Reference<css::sheet::XSpreadsheet>> all;
  for (sal_Int32 i = 0; i < sheets->getCount(); ++i) all.emplace_back(sheets->getByIndex(i), UNO_QUERY_THROW);
  return all;
}

// The default cell style's font: name, height and weight.
Any DefaultFont(const Reference<css::lang::XComponent>& document) {
  const auto families = Reference<css::style::XStyleFamiliesSupplier>(document, UNO_QUERY_THROW)->getStyleFamilies();
  const Reference<css::container::XNameAccess> cellStyles(families->getByName("CellStyles"), UNO_QUERY_THROW);
  const Reference<css::beans::XMultiPropertySet> style(cellStyles->getByName("Default"), UNO_QUERY_THROW);
  return Any(style->getPropertyValues(Seq<OUString>({"CharFontName", "CharHeight", "CharWeight"})));
}

class OfficeSideTasks : public cppu::WeakImplHelper1<css::task::XJob> {
 public:
  Any SAL_CALL execute(const Sequence<css::beans::NamedValue>& arguments) override {
    OUString task;
    SheetEdit edit;
    for (const auto& argument : arguments) {
      if (argument.Name == "Task") argument.Value >>= task;
      if (argument.Name == "Document") argument.Value >>= edit.document;
      if (argument.Name == "Sheet") argument.Value >>= edit.sheet;
      if (argument.Name == "Area") argument.Value >>= edit.area;
      if (argument.Name == "Value") edit.value = argument.Value;
    }
    if (!edit.document.is()) throw css::lang::IllegalArgumentException("no document", *this, 0);
    if (task.equalsAscii(kUnifyScriptFontsTask)) {
      UnifyScriptFonts(edit.document, Sheets(edit.document));
      return Any();
    }
    if (task.equalsAscii(kReenterTextFormulasTask)) {
      ReenterTextFormulas(Sheets(edit.document));
      return Any();
    }
    if (task.equalsAscii(kDefaultFontTask)) return DefaultFont(edit.document);
    if (!edit.sheet.is()) throw css::lang::IllegalArgumentException("no sheet for " + task, *this, 0);
    if (const auto refusal = RunSheetEdit(task, edit)) return Any(*refusal);
    throw css::lang::IllegalArgumentException("unknown task " + task, *this, 0);
  }
};

Reference<css::uno::XInterface> Create(const Reference<css::uno::XComponentContext>&) {
  return static_cast<cppu::OWeakObject*>(new OfficeSideTasks);
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

#include "host/officeside/LoBuiltInNames.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XCellRangeReferrer.hpp>
#include <com/sun/star/sheet/XNamedRange.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>

#include <algorithm>
#include <optional>

namespace sheetwise::host {
namespace {
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

bool SameArea(const css::table::CellRangeAddress& a, const css::table::CellRangeAddress& b) {
  return a.Sheet == b.Sheet && a.StartColumn == b.StartColumn && a.StartRow == b.StartRow &&
         a.EndColumn == b.EndColumn && a.EndRow == b.EndRow;
}

// The area a named range refers to, where it is one area.
std::optional<css::table::CellRangeAddress> AreaOf(const Reference<css::sheet::XNamedRange>& range) {
  const Reference<css::sheet::XCellRangeReferrer> referrer(range, UNO_QUERY);
  if (!referrer.is()) return std::nullopt;
  try {
    const Reference<css::sheet::XCellRangeAddressable> cells(referrer->getReferredCells(), UNO_QUERY);
    if (cells.is()) return cells->getRangeAddress();
  } catch (const css::uno::RuntimeException&) {
    // several areas, or none: not one the settings can match
  }
  return std::nullopt;
}

// Whether the sheet's print settings hold what the built-in name of that spelling would.
bool SettingsHold(const Reference<css::sheet::XPrintAreas>& print, const OUString& name,
                  const Reference<css::sheet::XNamedRange>& range) {
  if (name == "Excel_BuiltIn_Print_Titles") return print->getPrintTitleRows() || print->getPrintTitleColumns();
  if (name != "Excel_BuiltIn_Print_Area") return false;
  const auto areas = print->getPrintAreas();
  const auto area = AreaOf(range);
  return area && std::any_of(areas.begin(), areas.end(), [&](const auto& each) { return SameArea(each, *area); });
}

}  // namespace

BuiltInNamesSetAside::BuiltInNamesSetAside(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets) {
  for (const auto& sheet : sheets) {
    const Reference<css::beans::XPropertySet> properties(sheet, UNO_QUERY);
    const Reference<css::sheet::XPrintAreas> print(sheet, UNO_QUERY);
    if (!properties.is() || !print.is()) continue;
    const Reference<css::sheet::XNamedRanges> names(properties->getPropertyValue("NamedRanges"), UNO_QUERY);
    if (!names.is()) continue;
    for (const OUString& name : names->getElementNames()) {
      if (!name.startsWith("Excel_BuiltIn_")) continue;
      const Reference<css::sheet::XNamedRange> range(names->getByName(name), UNO_QUERY_THROW);
      if (!SettingsHold(print, name, range)) continue;
      SetAside kept{names, name, range->getContent(), range->getReferencePosition(), range->getType()};
      try {
        names->removeByName(name);
        setAside_.push_back(std::move(kept));
      } catch (const css::uno::RuntimeException&) {
        // refused: the name is written besides, as the export makes it
      }
    }
  }
}

BuiltInNamesSetAside::~BuiltInNamesSetAside() {
  for (const auto& kept : setAside_) {
    try {
      kept.names->addNewByName(kept.name, kept.content, kept.position, kept.type);
    } catch (const css::uno::Exception&) {
      // the document is being closed; nothing to keep right
    }
  }
}

}  // namespace sheetwise::host

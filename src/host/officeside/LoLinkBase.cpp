#include "host/officeside/LoLinkBase.h"

#include <com/sun/star/beans/XPropertySetInfo.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>

#include <optional>

namespace sheetwise::host {
namespace {
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

constexpr char kFileScheme[] = "file:///";
constexpr sal_Int32 kFileSchemeLength = sizeof kFileScheme - 1;

// The path segments after "file:///"; a folder's URL ends in "/", which leaves no empty last segment.
std::vector<OUString> Segments(const OUString& url) {
  std::vector<OUString> segments;
  const OUString path = url.copy(kFileSchemeLength);
  for (sal_Int32 index = 0; index >= 0;) segments.push_back(path.getToken(0, '/', index));
  if (!segments.empty() && segments.back().isEmpty()) segments.pop_back();
  return segments;
}

// Each URL field of the cell's text.
template <typename Visit>
void ForEachUrlField(const Reference<css::uno::XInterface>& cell, const Visit& visit) {
  const Reference<css::text::XTextFieldsSupplier> supplier(cell, UNO_QUERY);
  if (!supplier.is()) return;
  const auto fields = Reference<css::container::XEnumerationAccess>(supplier->getTextFields(), UNO_QUERY_THROW)
                          ->createEnumeration();
  while (fields->hasMoreElements()) {
    const Reference<css::beans::XPropertySet> field(fields->nextElement(), UNO_QUERY);
    if (field.is() && field->getPropertySetInfo()->hasPropertyByName("URL")) visit(field);
  }
}

// url (a file URL) moved from one folder's URL to another's, keeping its path
// relative to the folder; none when url is no file URL or the relative path
// climbs above the root of the folder moved to.
std::optional<OUString> MovedFileUrl(const OUString& url, const OUString& fromFolder, const OUString& toFolder) {
  if (!url.startsWithIgnoreAsciiCase(kFileScheme)) return std::nullopt;
  const auto target = Segments(url), from = Segments(fromFolder), to = Segments(toFolder);
  size_t common = 0;
  while (common < from.size() && common + 1 < target.size() && target[common] == from[common]) ++common;
  const size_t up = from.size() - common;
  if (up > to.size()) return std::nullopt;
  OUString moved = OUString::createFromAscii(kFileScheme);
  for (size_t i = 0; i < to.size() - up; ++i) moved += to[i] + "/";
  for (size_t i = common; i < target.size(); ++i) {
    if (i > common) moved += "/";
    moved += target[i];
  }
  return moved;
}

}  // namespace

LinksMovedForStore::LinksMovedForStore(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets,
                                       const OUString& loadedFrom, const OUString& writtenInto) {
  if (loadedFrom == writtenInto) return;
  for (const auto& sheet : sheets) {
    // A link is a field in the cell's text, which makes the cell one with formatted text.
    const auto cells = Reference<css::sheet::XCellRangesQuery>(sheet, UNO_QUERY_THROW)
                           ->queryContentCells(css::sheet::CellFlags::FORMATTED);
    const auto each = Reference<css::container::XEnumerationAccess>(cells->getCells(), UNO_QUERY_THROW)
                          ->createEnumeration();
    while (each->hasMoreElements()) {
      ForEachUrlField(each->nextElement().get<Reference<css::uno::XInterface>>(), [&](const auto& field) {
        const OUString url = field->getPropertyValue("URL").template get<OUString>();
        const auto moved = MovedFileUrl(url, loadedFrom, writtenInto);
        if (!moved) return;
        try {
          field->setPropertyValue("URL", css::uno::Any(*moved));
          moved_.push_back({field, url});
        } catch (const css::uno::RuntimeException&) {
          // refused: the link is written as the export makes it, and the check of the save tells
        }
      });
    }
  }
}

LinksMovedForStore::~LinksMovedForStore() {
  for (const auto& link : moved_) {
    try {
      link.field->setPropertyValue("URL", css::uno::Any(link.url));
    } catch (const css::uno::Exception&) {
      // the document is being closed; nothing to keep right
    }
  }
}

}  // namespace sheetwise::host

#include "host/LoColumnWidth.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cmath>

#include "host/DefaultCellStyle.h"
#include "host/WorkbookFile.h"

namespace sheetwise::host {
namespace fs = std::filesystem;
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr sal_Int32 kProbeNarrow = 2000;
constexpr sal_Int32 kProbeWide = 12000;

std::string FontKey(const Sequence<Any>& font) {
  OUString name;
  float height = 0;
  float weight = 0;
  font[0] >>= name;
  font[1] >>= height;
  font[2] >>= weight;
  return FromOU(name) + "|" + std::to_string(height) + "|" + std::to_string(weight);
}

// Closes the probe document however the measurement ends.
struct ClosingGuard {
  Reference<css::lang::XComponent> document;
  ~ClosingGuard() {
    try {
      Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
      if (closeable.is()) closeable->close(true);
    } catch (...) {
    }
  }
};

WidthScale Probe(LoSession& session, const Sequence<Any>& font) {
  css::beans::PropertyValue hidden;
  hidden.Name = "Hidden";
  hidden.Value <<= true;
  ClosingGuard probe{session.loader()->loadComponentFromURL("private:factory/scalc", "_blank", 0, Seq({hidden}))};
  DefaultCellStyle(probe.document)->setPropertyValues(DefaultFontProperties(), font);

  Reference<css::sheet::XSpreadsheetDocument> spreadsheet(probe.document, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(spreadsheet->getSheets(), UNO_QUERY_THROW);
  Reference<css::table::XColumnRowRange> sheet(sheets->getByIndex(0), UNO_QUERY_THROW);
  const auto columns = sheet->getColumns();
  Reference<css::beans::XPropertySet>(columns->getByIndex(0), UNO_QUERY_THROW)
      ->setPropertyValue("Width", Any(kProbeNarrow));
  Reference<css::beans::XPropertySet>(columns->getByIndex(1), UNO_QUERY_THROW)
      ->setPropertyValue("Width", Any(kProbeWide));

  std::error_code ec;
  fs::create_directories(session.scratchDir(), ec);
  const fs::path file = session.scratchDir() / "width-probe.xls";
  css::beans::PropertyValue filter;
  filter.Name = "FilterName";
  filter.Value <<= OUString("MS Excel 97");
  Reference<css::frame::XStorable>(probe.document, UNO_QUERY_THROW)->storeToURL(FileUrl(file), Seq({filter}));

  const auto narrow = StoredColumnWidth(file.string(), 0);
  const auto wide = StoredColumnWidth(file.string(), 1);
  fs::remove(file, ec);
  if (!narrow || !wide || *wide <= *narrow) throw HostError("cannot measure the column width unit");
  WidthScale scale;
  scale.unitsPerHundredthMm = static_cast<double>(*wide - *narrow) / (kProbeWide - kProbeNarrow);
  scale.offset = *narrow - scale.unitsPerHundredthMm * kProbeNarrow;
  return scale;
}

}  // namespace

WidthScale MeasureWidthScale(LoSession& session, const Sequence<Any>& font) {
  const std::string key = FontKey(font);
  if (const auto known = SharedWidthScales().find(key)) return *known;
  const WidthScale scale = Probe(session, font);
  SharedWidthScales().store(key, scale);
  return scale;
}

sal_Int32 InternalColumnWidth(const WidthScale& scale, double characters) {
  if (characters <= 0) return 0;
  const double units = (characters * 7.0 + 5.0) / 7.0 * 256.0;
  return static_cast<sal_Int32>(std::lround((units - scale.offset) / scale.unitsPerHundredthMm));
}

}  // namespace sheetwise::host

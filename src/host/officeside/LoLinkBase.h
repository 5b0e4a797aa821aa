#pragma once
// Links to files are held as absolute URLs once a workbook is loaded, and the
// Excel exports write each one relative to the folder of the file they write,
// which is a hidden folder beside the target. While one of these lives, every
// such link in a cell is moved from the folder the workbook was loaded from to
// the folder written into, so that the export writes the link text as the
// workbook held it; the links are moved back when it goes.

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <vector>

#include "host/LoSession.h"

namespace sheetwise::host {

class LinksMovedForStore {
 public:
  // Folders as file URLs ending in "/".
  LinksMovedForStore(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets, const OUString& loadedFrom,
                     const OUString& writtenInto);
  ~LinksMovedForStore();
  LinksMovedForStore(const LinksMovedForStore&) = delete;
  LinksMovedForStore& operator=(const LinksMovedForStore&) = delete;

 private:
  struct Moved {
    Reference<css::beans::XPropertySet> field;
    OUString url;  // as it was
  };
  std::vector<Moved> moved_;
};

}  // namespace sheetwise::host

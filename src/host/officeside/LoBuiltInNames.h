#pragma once
// The .xls import keeps a sheet's built-in print area and print titles twice:
// as the sheet's print settings and as a named range of the sheet spelled
// "Excel_BuiltIn_Print_Area" or "Excel_BuiltIn_Print_Titles". The Excel 97
// export writes the settings as the built-in names and the named ranges as
// names of their own besides, names the workbook never had. While one of
// these lives, such named ranges are taken out of every sheet whose settings
// hold the same thing; they are put back when it goes.

#include <com/sun/star/sheet/XNamedRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <vector>

#include "host/LoSession.h"

namespace sheetwise::host {

class BuiltInNamesSetAside {
 public:
  explicit BuiltInNamesSetAside(const std::vector<Reference<css::sheet::XSpreadsheet>>& sheets);
  ~BuiltInNamesSetAside();
  BuiltInNamesSetAside(const BuiltInNamesSetAside&) = delete;
  BuiltInNamesSetAside& operator=(const BuiltInNamesSetAside&) = delete;

 private:
  struct SetAside {
    Reference<css::sheet::XNamedRanges> names;
    OUString name;
    OUString content;
    css::table::CellAddress position;
    sal_Int32 type;
  };
  std::vector<SetAside> setAside_;
};

}  // namespace sheetwise::host

#pragma once
// Finding a sheet by name, as the host and the office-side library both do:
// the one answers from the sheet names the load told it, the other from the
// document, and the two must agree.

#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

namespace sheetwise::host {

// The position of the sheet of that name among names (in sheet order): the
// exact name first, else ignoring ASCII letter case, as the spreadsheet treats
// sheet names as the same regardless of case. -1 when none.
inline sal_Int32 SheetPosition(const css::uno::Sequence<OUString>& names, const OUString& name) {
  for (sal_Int32 i = 0; i < names.getLength(); ++i) {
    if (names[i] == name) return i;
  }
  for (sal_Int32 i = 0; i < names.getLength(); ++i) {
    if (names[i].equalsIgnoreAsciiCase(name)) return i;
  }
  return -1;
}

}  // namespace sheetwise::host

#pragma once
// Changes the office makes on the user's behalf before saving (formulas entered
// again, fonts made whole) must reach protected sheets too.

#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include "host/LoSession.h"

namespace sheetwise::host {

// A sheet protected without a password, unprotected for as long as this lives.
class SheetUnprotected {
 public:
  explicit SheetUnprotected(const Reference<css::sheet::XSpreadsheet>& sheet)
      : protectable_(sheet, css::uno::UNO_QUERY_THROW) {
    if (!protectable_->isProtected()) return;
    try {
      protectable_->unprotect(OUString());  // refused unless it takes the sheet's protection away
      unprotected_ = true;
    } catch (const css::lang::IllegalArgumentException&) {
      editable_ = false;  // protected with a password: left as it is
    }
  }
  ~SheetUnprotected() {
    try {
      if (unprotected_) protectable_->protect(OUString());
    } catch (const css::uno::Exception&) {
    }
  }
  // False when a password keeps the sheet protected.
  bool editable() const { return editable_; }
  SheetUnprotected(const SheetUnprotected&) = delete;
  SheetUnprotected& operator=(const SheetUnprotected&) = delete;

 private:
  Reference<css::util::XProtectable> protectable_;
  bool unprotected_ = false;
  bool editable_ = true;
};

}  // namespace sheetwise::host

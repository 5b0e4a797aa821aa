#pragma once
// The floor: what the office itself needs to turn a workbook into a saved
// Excel 97-2003 copy, with no work of the program around it. Load as the
// program loads (hidden, read-only, no macros or link updates, the file's
// filter), store, close; over one office process of its own, started here.

#include <sys/types.h>

#include <string>

#include "host/LoSession.h"
#include "host/OfficeProcess.h"

namespace sheetwise::bench {

class BareOffice {
 public:
  BareOffice();
  // Tells the phases Load, Store and Close as it goes.
  void copy(const std::string& path, const std::string& out);

 private:
  host::ProfileSlot profile_;
  host::LoSession session_;
};

}  // namespace sheetwise::bench

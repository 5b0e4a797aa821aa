#pragma once
// The floor: what the office itself needs to turn a workbook into a saved
// copy in its format (Excel 97-2003 unless told otherwise), with no work of the
// program around it. Load hidden, read-only, with no macros or link updates
// and the file's filter, store with the format's filter, close; over one
// office process of its own, started here. The load goes through the desktop,
// as one opens a workbook, or (frameless) straight into a spreadsheet model
// with no frame or view, as the program loads.

#include <sys/types.h>

#include <string>

#include "host/LoSession.h"
#include "host/OfficeProcess.h"

namespace sheetwise::bench {

class BareOffice {
 public:
  // exportFilter: the office's filter that writes the copies.
  explicit BareOffice(std::string exportFilter = "MS Excel 97", bool frameless = false);
  // Tells the phases Load, Store and Close as it goes.
  void copy(const std::string& path, const std::string& out);

 private:
  std::string exportFilter_;
  bool frameless_;
  host::ProfileSlot profile_;
  host::LoSession session_;
};

}  // namespace sheetwise::bench

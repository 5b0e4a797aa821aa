#pragma once
// Internal to the LibreOffice host: workbooks, worksheets and ranges of an
// office document.

#include <memory>
#include <string>

#include <optional>

#include "host/SafeStore.h"
#include "host/Spreadsheet.h"
#include "host/WorkbookFile.h"

namespace sheetwise::host {

class LoSession;

std::unique_ptr<Workbook> OpenWorkbook(std::shared_ptr<LoSession> session, const std::string& path,
                                       const WorkbookFileInfo& info, OpenMode mode,
                                       std::optional<FileIdentity> loaded, OwnerRule owner = OwnerRule::Keep);

}  // namespace sheetwise::host

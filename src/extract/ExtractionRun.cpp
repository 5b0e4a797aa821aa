#include "extract/ExtractionRun.h"

#include <stdexcept>

#include "batch/LogEntries.h"
#include "extract/CellReader.h"
#include "host/LibraryWarnings.h"
#include "host/Translate.h"

namespace sheetwise::extract {

ExtractionResults ExtractionRun::ExtractWorkbook(const std::string& path,
                                                 const std::vector<rules::ParsedRule>& entries) {
  ExtractionResults records;
  host::LibraryWarnings warnings;  // what the file readers warn about joins a failure's reason
  try {
    // Opened on the first read, so an empty list never opens the file; every
    // read is of the same unchanged file, so one opening serves them all.
    FirstSheetReader reader(office_, path);
    for (size_t i = 0; i < entries.size(); ++i) {
      const rules::ParsedRule& entry = entries[i];
      if (!entry.readable()) {
        throw std::runtime_error(
            Tr("rule %s \"%s\": %s", {std::to_string(i + 1), rules::Quoted(entry.text), entry.refusal}));
      }
      records.push_back({path, entry.value, entry.row, entry.column, reader.cellText(entry.row, entry.column)});
    }
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const std::exception& e) {
    log_.add({batch::ProcessingErrorEntry(path), host::WithWarnings(e.what(), warnings), {},
              batch::EntryCause::ExtractionFailed});
  }
  return records;
}

}  // namespace sheetwise::extract

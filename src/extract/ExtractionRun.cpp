#include "extract/ExtractionRun.h"

#include <stdexcept>
#include <utility>

#include "batch/LogEntries.h"
#include "extract/CellReader.h"
#include "host/LibraryWarnings.h"
#include "host/Translate.h"
#include "rules/RuleString.h"

namespace sheetwise::extract {
namespace {

class EntryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CellTarget {
  std::string rowText;
  int row = 0;
  int column = 0;
};

// The entry read as an ExtractCell entry, whatever its tag. The column number
// is a 16-bit quantity; the row text must read as a 32-bit number.
CellTarget ReadTarget(const std::string& entry) {
  const auto read = rules::ReadExtractEntry(entry);
  const auto row = rules::RoundedInteger(read.rowText);
  if (!row) throw EntryError(Tr("the row is not a number in the entry \"%s\"", {entry}));
  if (!read.column) throw EntryError(Tr("the entry \"%s\" has no column", {entry}));
  if (*read.column > 32767) throw EntryError(Tr("the column of the entry \"%s\" does not exist", {entry}));
  return {read.rowText, *row, *read.column};
}

}  // namespace

ExtractionResults ExtractionRun::ExtractWorkbook(const std::string& path, const std::vector<std::string>& entries) {
  ExtractionResults records;
  host::LibraryWarnings warnings;  // what the file readers warn about joins a failure's reason
  try {
    // Opened on the first read, so an empty list never opens the file; every
    // read is of the same unchanged file, so one opening serves them all.
    FirstSheetReader reader(office_, path);
    for (const std::string& entry : entries) {
      const CellTarget target = ReadTarget(entry);
      records.push_back({path, target.rowText, target.row, target.column, reader.cellText(target.row, target.column)});
    }
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const std::exception& e) {
    log_.add({batch::ProcessingErrorEntry(path), host::WithWarnings(e.what(), warnings), {}});
  }
  return records;
}

}  // namespace sheetwise::extract

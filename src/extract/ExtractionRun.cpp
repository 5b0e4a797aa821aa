#include "extract/ExtractionRun.h"

#include <stdexcept>
#include <utility>

#include "extract/CellReader.h"
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
  if (!row) throw EntryError("the row is not a number in the entry \"" + entry + "\"");
  if (!read.column) throw EntryError("no column in the entry \"" + entry + "\"");
  if (*read.column > 32767) throw EntryError("the column is out of range in the entry \"" + entry + "\"");
  return {read.rowText, *row, *read.column};
}

}  // namespace

void ExtractionRun::ExtractWorkbook(const std::string& path) {
  try {
    readAll(path);
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const std::exception&) {
    log_.setlog(batch::ProcessingErrorEntry(path));
  }
}

void ExtractionRun::readAll(const std::string& path) {
  // Opened on the first read, so an empty list never opens the file; every
  // read is of the same unchanged file, so one opening serves them all.
  FirstSheetReader reader(office_, path);
  // The list is read afresh before every entry.
  for (size_t i = 0; i < form_.List3.items.size(); ++i) {
    const CellTarget target = ReadTarget(form_.List3.items[i]);
    ExtractionRecord record{path, target.rowText, target.row, target.column,
                            reader.cellText(target.row, target.column)};
    form_.xiaotou.items.push_back(ExtractionLine(record));
    results_.push_back(std::move(record));
  }
}

}  // namespace sheetwise::extract

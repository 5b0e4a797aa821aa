#pragma once
// The small spreadsheet object model that the rule operations, the engine and the
// readers need. Rows and columns count from 1. Every failure is a HostError.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/HostError.h"

namespace sheetwise::host {

// A rectangle of a worksheet, addressed as "B7", "A5:Z5", "5:5" or "C:C".
class Range {
 public:
  virtual ~Range() = default;
  // Inserts whole rows where the range's rows are; rows below move down and
  // the new rows take the formats of the row above.
  virtual void insertRows() = 0;
  virtual void deleteRows() = 0;
  virtual void deleteColumns() = 0;
  // Values and formulas go; formats stay.
  virtual void clearContents() = 0;
  // Merges the range into one cell, centred both ways, without wrapping,
  // rotation, indent or shrinking.
  virtual void mergeCentred() = 0;
  // Height in points of every row of the range.
  virtual void setRowHeight(double points) = 0;
  // Width in character units of every column of the range.
  virtual void setColumnWidth(double characters) = 0;
};

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  virtual std::string name() = 0;
  virtual void rename(const std::string& newName) = 0;
  // The value as text: text as stored, numbers in general form, TRUE/FALSE,
  // dates as yyyy-MM-dd (with HH:mm:ss when there is a time); a blank cell
  // is the empty text; an error value fails.
  virtual std::string cellText(int row, int column) = 0;
  // Writes a number, a formula (text starting with "=") or a text.
  virtual void setCell(int row, int column, const std::string& content) = 0;
  virtual std::unique_ptr<Range> range(const std::string& address) = 0;
  // The used area from A1 to its last row and column, each cell as cellText
  // (an error value reads as its error text here); fails, without asking the
  // office for them, when that is more than a million cells.
  virtual std::vector<std::vector<std::string>> usedTable() = 0;
};

// An edit held back by Workbook::holdEdits failed when it was sent. Edits are
// numbered from 0 in the order they were made on the workbook; a failure that
// cannot be pinned on one edit (the office hung or ended) names the first and
// the last edit sent with it.
class HeldEditFailed : public HostError {
 public:
  HeldEditFailed(size_t first, size_t last, const std::string& reason) : HostError(reason), first(first), last(last) {}
  size_t first;
  size_t last;
};

// Called with the path of the file the office has just written, before that
// file replaces its target; throwing leaves the target as it was.
using BeforeReplace = std::function<void(const std::string& written)>;

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual std::unique_ptr<Worksheet> worksheet(const std::string& name) = 0;
  // From now on, edits of its sheets and ranges are held and sent to the
  // office together: before anything is read, looked up or saved, and at
  // sendEdits(). A held edit that fails throws HeldEditFailed from there;
  // what the program checks itself still fails the edit's own call.
  virtual void holdEdits() {}
  virtual void sendEdits() {}
  // How many edits were made on the workbook so far.
  virtual size_t editsMade() const { return 0; }
  // Position counts from 1.
  virtual std::unique_ptr<Worksheet> worksheetAt(int position) = 0;
  // The sheet that the file stores as active.
  virtual std::unique_ptr<Worksheet> activeSheet() = 0;
  // Writes over the file it was opened from (the target of a link), keeping
  // its mode, owner and group; fails, writing nothing, when that file is
  // read-only, has other hard links or changed after it was opened.
  void save() { saveChecked({}); }
  // Writes the workbook in the format it was read in to path, replacing a file there.
  void saveAs(const std::string& path) { saveAsChecked(path, {}); }
  // The same, with check run on the written file before it replaces the target.
  virtual void saveChecked(const BeforeReplace& check) = 0;
  virtual void saveAsChecked(const std::string& path, const BeforeReplace& check) = 0;
  // What the report should say about the workbook beyond its edits ("" when
  // nothing): a file whose content is another format than its name says.
  virtual std::string notice() { return ""; }
  // Once the last save is written: lets the document go in the background,
  // beside what the caller does next. Nothing more may be asked of the
  // workbook but notice(), and its end waits for the document to close.
  virtual void closeInBackground() {}
};

enum class OpenMode { Edit, ReadOnly };

class Application {
 public:
  virtual ~Application() = default;
  // Opens hidden, without macros, link updates or dialogs. The document closes,
  // unsaved, when the workbook and every worksheet taken from it are gone.
  virtual std::unique_ptr<Workbook> open(const std::string& path, OpenMode mode) = 0;
};

}  // namespace sheetwise::host

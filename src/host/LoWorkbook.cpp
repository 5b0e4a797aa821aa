#include "host/LoWorkbook.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XUniqueCellFormatRangesSupplier.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "host/CellAddress.h"
#include "host/CellContent.h"
#include "host/LinkScan.h"
#include "host/LoColumnWidth.h"
#include "host/LoSession.h"
#include "host/OfficeSideTasks.h"
#include "host/SafeStore.h"
#include "host/SheetLookup.h"
#include "host/Translate.h"
#include "host/WorkPhases.h"
#include "rules/RuleString.h"

namespace sheetwise::host {
namespace fs = std::filesystem;
using css::beans::PropertyValue;
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

// The most cells a used area read as a table may have (a sample shown in a grid).
constexpr std::int64_t kMostTableCells = 1'000'000;

PropertyValue Property(const char* name, Any value) {
  PropertyValue property;
  property.Name = OUString::createFromAscii(name);
  property.Value = std::move(value);
  return property;
}

// The truth value a cell's formula stands for: the office imports a stored
// TRUE or FALSE as the formula =TRUE() or =FALSE().
std::optional<std::string> TruthText(const std::string& formula) {
  if (formula == "=TRUE()") return "TRUE";
  if (formula == "=FALSE()") return "FALSE";
  return std::nullopt;
}

// " FIRSTROW FIRSTCOLUMN LASTROW LASTCOLUMN" (from 0) as "B2:D4".
std::string SpanName(const std::string& numbers) {
  std::istringstream in(numbers);
  int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  in >> firstRow >> firstColumn >> lastRow >> lastColumn;
  return CellName(firstRow + 1, firstColumn + 1) + ":" + CellName(lastRow + 1, lastColumn + 1);
}

// What the format's grid cannot hold, said with the format.
HostError OutsideGrid(const std::string& what, Grid grid, WorkbookFormat format) {
  return HostError(Tr("%s is outside the sheet: a sheet of %s has %s rows and columns A to %s",
                      {what, FormatDescription(format), std::to_string(grid.rows), ColumnLetters(grid.columns)}));
}

void CheckCell(int row, int column, Grid grid, WorkbookFormat format) {
  if (row < 1) throw HostError(Tr("row %s does not exist: rows count from 1", {std::to_string(row)}));
  if (column < 1 || row > grid.rows || column > grid.columns) {
    throw OutsideGrid(Tr("row %s, column %s", {std::to_string(row), std::to_string(column)}), grid, format);
  }
}

// Excel's rules for a sheet name.
void CheckSheetName(const std::string& name) {
  if (name.empty()) throw HostError(Tr("a sheet name cannot be empty"));
  if (name.find_first_of(":\\/?*[]") != std::string::npos) {
    throw HostError(Tr("a sheet name cannot hold any of : \\ / ? * [ ]: \"%s\"", {name}));
  }
  if (name.front() == '\'' || name.back() == '\'') {
    throw HostError(Tr("a sheet name cannot begin or end with ': \"%s\"", {name}));
  }
  if (ToOU(name).getLength() > 31) throw HostError(Tr("a sheet name can have at most 31 characters: \"%s\"", {name}));
}

// What the file format cannot hold, or the office would silently mend.
void CheckCellContent(const std::string& content) {
  if (const sal_Int32 length = ToOU(content).getLength(); length > kMaxCellTextLength) {
    throw HostError(Tr("a cell holds at most %s characters; the text has %s",
                       {std::to_string(kMaxCellTextLength), std::to_string(length)}));
  }
  double number = 0;
  if (ClassifyContent(content, &number) == ContentKind::Formula && !FormulaIsComplete(content)) {
    throw HostError(Tr("not a formula the spreadsheet understands (unclosed bracket or quote): %s", {content}));
  }
}

}  // namespace

// An edit for the office to make, and how to tell of its failure.
struct HeldEdit {
  const char* task;
  Reference<css::sheet::XSpreadsheet> sheet;
  css::table::CellRangeAddress area;
  Any value;
  std::string call;  // the edit as something the office was asked to do
  std::string what;  // the edit as a change to a protected sheet
  // Throws where the office's refusal (other than the sheet's protection) fails the edit.
  std::function<void(const std::string& refusal)> refusal;
};

// One open office document; closed, unsaved, when the last holder lets go.
// Edits still held when it closes are never made.
class LoDocument {
 public:
  LoDocument(std::shared_ptr<LoSession> session, Reference<css::lang::XComponent> component,
             std::string path, const WorkbookFileInfo& info)
      : session_(std::move(session)), component_(std::move(component)), path_(std::move(path)), info_(info) {}
  ~LoDocument() {
    if (closing_.valid()) {
      closing_.wait();
      return;
    }
    EnterPhase(WorkPhase::Close);
    close();
  }
  // Closes the document on a thread of its own, beside whatever this thread
  // does next without the office (the check of a save); nothing more may be
  // asked of the document, and its end waits for the close.
  void closeInBackground() {
    if (!closing_.valid()) closing_ = std::async(std::launch::async, [this] { close(); });
  }
  LoDocument(const LoDocument&) = delete;
  LoDocument& operator=(const LoDocument&) = delete;

  LoSession& session() { return *session_; }
  const std::string& path() const { return path_; }
  int activeTab() const { return info_.activeTab; }
  const WorkbookFileInfo& info() const { return info_; }
  // The last row and column of a sheet: the format's, within what the office allows.
  Grid grid() const { return grid_; }
  const Reference<css::lang::XComponent>& component() const { return component_; }

  // Takes what the office answered when it loaded the document for work
  // (kLoadForWorkTask): the filter it used must be the expected one. The grid
  // is the format's, within the sheet size the office loaded.
  void takePrepared(const Sequence<Any>& prepared, const OUString& filter) {
    const OUString used = prepared[1].get<OUString>();
    if (used != filter) {
      throw HostError(Tr("the workbook is damaged: the office could read %s only as %s", {path_, FromOU(used)}));
    }
    grid_ = info_.format == WorkbookFormat::Xls ? kXlsGrid
                                                : FormatGrid(prepared[2].get<sal_Int32>(), prepared[3].get<sal_Int32>());
    defaultFont_ = prepared[4].get<Sequence<Any>>();
    if (const auto sheets = prepared[5].get<Sequence<Any>>(); sheets.hasElements()) {
      loadedSheetNames_ = sheets[0].get<Sequence<OUString>>();
      loadedSheets_ = sheets[1].get<Sequence<Reference<css::sheet::XSpreadsheet>>>();
    }
    const auto date = prepared[6].get<css::util::Date>();
    nullDate_ = CivilDate{date.Year, date.Month, date.Day};
  }

  // The sheet of that name (SheetLookup.h), or at that position from 0, or
  // nothing. Until the first edit, the sheets the load told are found here,
  // without asking the office.
  Reference<css::sheet::XSpreadsheet> sheetNamed(const OUString& name) {
    if (knowsSheets()) return loadedSheet(SheetPosition(loadedSheetNames_, name));
    return askForSheet(kSheetNamedTask, Any(name));
  }
  Reference<css::sheet::XSpreadsheet> sheetAt(sal_Int32 position) {
    if (knowsSheets()) return loadedSheet(position);
    return askForSheet(kSheetAtTask, Any(position));
  }

  // The date that serial number 0 stands for, as the load told it.
  CivilDate nullDate() const { return nullDate_; }

  sal_Int16 formatType(sal_Int32 key) {
    if (!formats_.is()) {
      Reference<css::util::XNumberFormatsSupplier> supplier(component_, UNO_QUERY_THROW);
      formats_ = supplier->getNumberFormats();
    }
    sal_Int16 type = 0;
    formats_->getByKey(key)->getPropertyValue("Type") >>= type;
    return type;
  }

  // Makes an edit in the office (OfficeSideTasks.h): at once, or, once edits
  // are held, when they are sent.
  void edit(HeldEdit edit) {
    held_.push_back(std::move(edit));
    ++editsMade_;
    if (!holding_) sendHeld();
  }
  void holdEdits() { holding_ = true; }
  size_t editsMade() const { return editsMade_; }

  // Sends the held edits in one request. The first that the office refuses
  // or fails throws HeldEditFailed; a refusal that does not fail its edit
  // lets the edits after it go on.
  void sendHeld() {
    if (held_.empty()) return;
    const std::vector<HeldEdit> edits = std::exchange(held_, {});
    const size_t first = editsMade_ - edits.size();
    Sequence<Any> answer;
    try {
      answer = session_->call(CallsText(edits), [&] {
        return session_->runOfficeTask(kSheetEditsTask, component_, {css::beans::NamedValue("Value", Any(AsList(edits)))})
            .get<Sequence<Any>>();
      });
    } catch (const HostError& e) {
      throw HeldEditFailed(first, editsMade_ - 1, e.what());
    }
    const auto done = static_cast<size_t>(answer[0].get<sal_Int32>());
    if (done >= edits.size()) return;
    try {
      refused(edits[done], FromOU(answer[1].get<OUString>()), answer[2].get<bool>());
    } catch (const HostError& e) {
      throw HeldEditFailed(first + done, first + done, e.what());
    }
    held_.assign(edits.begin() + static_cast<std::ptrdiff_t>(done) + 1, edits.end());
    sendHeld();
  }

  const WidthScale& widthScale() {
    if (!widthScale_) widthScale_ = MeasureWidthScale(*session_, defaultFont_);
    return *widthScale_;
  }

 private:
  bool knowsSheets() const { return editsMade_ == 0 && loadedSheets_.hasElements(); }
  Reference<css::sheet::XSpreadsheet> loadedSheet(sal_Int32 position) const {
    if (position < 0 || position >= loadedSheets_.getLength()) return {};
    return loadedSheets_[position];
  }
  Reference<css::sheet::XSpreadsheet> askForSheet(const char* task, Any value) {
    Reference<css::sheet::XSpreadsheet> sheet;
    session_->runOfficeTask(task, component_, {css::beans::NamedValue("Value", std::move(value))}) >>= sheet;
    return sheet;
  }

  void close() {
    try {
      session_->call(Tr("close %s", {path_}), [&] { session_->runOfficeTask(kCloseTask, component_); });
    } catch (const HostError&) {
      // The office is gone or hung; its document goes with the process.
    }
  }

  // A sheet's whole range, as the office loaded the document, cut to the format's limits.
  Grid FormatGrid(sal_Int32 lastRow, sal_Int32 lastColumn) const {
    Grid grid{static_cast<int>(lastRow) + 1, static_cast<int>(lastColumn) + 1};
    if (const auto rows = FormatRowLimit(info_.format)) grid.rows = std::min(grid.rows, *rows);
    if (const auto columns = FormatColumnLimit(info_.format)) grid.columns = std::min(grid.columns, *columns);
    return grid;
  }

  // The edits as the office task takes them.
  static Sequence<Any> AsList(const std::vector<HeldEdit>& edits) {
    Sequence<Any> list(static_cast<sal_Int32>(edits.size()));
    std::transform(edits.begin(), edits.end(), list.getArray(), [](const HeldEdit& e) {
      return Any(Seq<Any>({Any(OUString::createFromAscii(e.task)), Any(e.sheet), Any(e.area), e.value}));
    });
    return list;
  }

  // The edits as one call, for a failure of their request.
  static std::string CallsText(const std::vector<HeldEdit>& edits) {
    std::string text = edits.front().call;
    for (auto e = edits.begin() + 1; e != edits.end(); ++e) text = Tr("%s, then %s", {text, e->call});
    return text;
  }

  // Throws what the office's answer to the edit means: it failed, its sheet
  // is protected, or the edit's own reading of the refusal.
  void refused(const HeldEdit& edit, const std::string& refusal, bool failed) {
    if (failed) throw HostError(Tr("the office could not %s", {edit.call}));
    if (refusal == kSheetProtected) {
      const std::string name = session_->call(edit.call, [&] {
        return FromOU(Reference<css::container::XNamed>(edit.sheet, UNO_QUERY_THROW)->getName());
      });
      throw HostError(Tr("the sheet \"%s\" is protected: %s would change it", {name, edit.what}));
    }
    if (edit.refusal) edit.refusal(refusal);
  }

  std::shared_ptr<LoSession> session_;
  Reference<css::lang::XComponent> component_;
  std::string path_;
  WorkbookFileInfo info_;
  Grid grid_;
  bool holding_ = false;
  std::vector<HeldEdit> held_;
  size_t editsMade_ = 0;
  Reference<css::util::XNumberFormats> formats_;
  CivilDate nullDate_{};
  Sequence<Any> defaultFont_;  // the default cell style's font: name, height, weight
  Sequence<OUString> loadedSheetNames_;  // as the load told them, where the workbook has few sheets
  Sequence<Reference<css::sheet::XSpreadsheet>> loadedSheets_;
  std::optional<WidthScale> widthScale_;
  std::future<void> closing_;
};

namespace {

class LoRange : public Range {
 public:
  LoRange(std::shared_ptr<LoDocument> document, Reference<css::sheet::XSpreadsheet> sheet,
          CellRect rect, std::string address)
      : document_(std::move(document)), sheet_(std::move(sheet)), rect_(rect),
        address_(std::move(address)) {}

  void insertRows() override {
    const std::string what = Tr("inserting rows at %s", {address_});
    edit(kInsertRowsTask, wholeRows(), Any(document_->grid().rows), Tr("insert rows at %s", {address_}), what,
         [what, rows = document_->grid().rows](const std::string& refusal) {
           if (refusal == kRowsDoNotFit) {
             throw HostError(Tr("%s would push data in the sheet's last rows (up to row %s) off the sheet",
                                {what, std::to_string(rows)}));
           }
         });
  }
  void deleteRows() override {
    edit(kDeleteRowsTask, wholeRows(), Any(), Tr("delete rows %s", {address_}), Tr("deleting rows %s", {address_}));
  }
  void deleteColumns() override {
    css::table::CellRangeAddress columns = address();
    columns.StartRow = 0;
    columns.EndRow = document_->grid().rows - 1;
    edit(kDeleteColumnsTask, columns, Any(), Tr("delete columns %s", {address_}),
         Tr("deleting columns %s", {address_}));
  }
  void clearContents() override {
    edit(kClearContentsTask, address(), Any(), Tr("clear %s", {address_}), Tr("clearing %s", {address_}));
  }
  void mergeCentred() override {
    edit(kMergeCentredTask, address(), Any(), Tr("merge %s", {address_}), Tr("merging %s", {address_}),
         [address = address_](const std::string& refusal) {
           if (refusal == kCannotMerge) throw HostError(Tr("the cells %s cannot be merged", {address}));
           if (refusal.starts_with(kMergeReachesOut)) {
             throw HostError(Tr("the cells %s overlap a merged area that reaches outside them (together they take %s); "
                                "merge all of that, or unmerge the area first",
                                {address, SpanName(refusal.substr(std::string_view(kMergeReachesOut).size()))}));
           }
         });
  }
  void setRowHeight(double points) override {
    if (!(points >= 0 && points <= 409)) {
      throw HostError(Tr("a row height of %s is not between 0 and 409 points", {rules::GeneralNumberText(points)}));
    }
    edit(kRowHeightTask, address(), Any(static_cast<sal_Int32>(std::lround(points * 2540.0 / 72.0))),
         Tr("set the row height of %s", {address_}), Tr("a row height at %s", {address_}));
  }
  void setColumnWidth(double characters) override {
    if (!(characters >= 0 && characters <= 255)) {
      throw HostError(Tr("a column width of %s is not between 0 and 255 characters",
                         {rules::GeneralNumberText(characters)}));
    }
    const std::string call = Tr("set the column width of %s", {address_});
    const sal_Int32 width =
        document_->session().call(call, [&] { return InternalColumnWidth(document_->widthScale(), characters); });
    edit(kColumnWidthTask, address(), Any(width), call, Tr("a column width at %s", {address_}));
  }

 private:
  void edit(const char* task, const css::table::CellRangeAddress& area, Any value, std::string call, std::string what,
            std::function<void(const std::string&)> refusal = {}) {
    document_->edit({task, sheet_, area, std::move(value), std::move(call), std::move(what), std::move(refusal)});
  }
  css::table::CellRangeAddress address() const {
    css::table::CellRangeAddress a;
    a.StartColumn = rect_.firstColumn - 1;
    a.StartRow = rect_.firstRow - 1;
    a.EndColumn = rect_.lastColumn - 1;
    a.EndRow = rect_.lastRow - 1;
    return a;
  }
  css::table::CellRangeAddress wholeRows() const {
    css::table::CellRangeAddress rows = address();
    rows.StartColumn = 0;
    rows.EndColumn = document_->grid().columns - 1;
    return rows;
  }

  std::shared_ptr<LoDocument> document_;
  Reference<css::sheet::XSpreadsheet> sheet_;
  CellRect rect_;
  std::string address_;
};

class LoWorksheet : public Worksheet {
 public:
  LoWorksheet(std::shared_ptr<LoDocument> document, Reference<css::sheet::XSpreadsheet> sheet)
      : document_(std::move(document)), sheet_(std::move(sheet)) {}

  std::string name() override {
    document_->sendHeld();
    return document_->session().call(Tr("read a sheet name"), [&] {
      return FromOU(Reference<css::container::XNamed>(sheet_, UNO_QUERY_THROW)->getName());
    });
  }

  void rename(const std::string& newName) override {
    CheckSheetName(newName);
    const std::string what = Tr("renaming a sheet");
    document_->edit({kRenameSheetTask, sheet_, {}, Any(ToOU(newName)), Tr("rename a sheet to \"%s\"", {newName}), what,
                     [what, newName](const std::string& refusal) {
                       if (refusal == kStructureProtected) {
                         throw HostError(Tr("the workbook's structure is protected: %s would change it", {what}));
                       }
                       if (refusal == kNameTaken) {
                         throw HostError(
                             Tr("the sheet cannot be named \"%s\": another sheet has that name", {newName}));
                       }
                     }});
  }

  std::string cellText(int row, int column) override {
    CheckCell(row, column, document_->grid(), document_->info().format);
    document_->sendHeld();
    return document_->session().call(Tr("read cell %s", {CellName(row, column)}), [&] {
      const auto cell = Seq<Any>({Any(sheet_), Any(sal_Int32(column - 1)), Any(sal_Int32(row - 1))});
      const auto content = document_->session()
                               .runOfficeTask(kCellContentTask, document_->component(),
                                              {css::beans::NamedValue("Value", Any(cell))})
                               .get<Sequence<Any>>();
      const auto text = [&] { return FromOU(content[1].get<OUString>()); };
      const auto value = [&] { return shownValue(content[2].get<double>(), content[3].get<sal_Int16>()); };
      switch (static_cast<css::table::CellContentType>(content[0].get<sal_Int32>())) {
        case css::table::CellContentType_EMPTY:
          return std::string();
        case css::table::CellContentType_TEXT:
          return text();
        case css::table::CellContentType_VALUE:
          return value();
        default:
          break;
      }
      const auto result = content[5].get<sal_Int32>();
      if (content[4].get<sal_Int32>() != 0 || result == css::sheet::FormulaResult::ERROR) {
        throw HostError(Tr("cell %s holds an error value, which has no text", {CellName(row, column)}));
      }
      if (result == css::sheet::FormulaResult::STRING) return text();
      return TruthText(FromOU(content[6].get<OUString>())).value_or(value());
    });
  }

  void setCell(int row, int column, const std::string& content) override {
    CheckCell(row, column, document_->grid(), document_->info().format);
    CheckCellContent(content);
    css::table::CellRangeAddress cell;
    cell.StartColumn = cell.EndColumn = column - 1;
    cell.StartRow = cell.EndRow = row - 1;
    double number = 0;
    const ContentKind kind = ClassifyContent(content, &number);
    const char* task = kind == ContentKind::Number ? kSetNumberTask
                       : kind == ContentKind::Formula ? kSetFormulaTask
                                                      : kSetTextTask;
    const Any value = kind == ContentKind::Number ? Any(number) : Any(ToOU(content));
    document_->edit({task, sheet_, cell, value, Tr("write cell %s", {CellName(row, column)}),
                     Tr("writing cell %s", {CellName(row, column)}), [content](const std::string& refusal) {
                       if (refusal == kFormulaSyntax) {
                         throw HostError(Tr("not a formula the spreadsheet understands: %s", {content}));
                       }
                     }});
  }

  std::unique_ptr<Range> range(const std::string& address) override {
    const auto rect = ParseAddress(address, document_->grid());
    if (!rect && ParseAddress(address)) throw OutsideGrid(address, document_->grid(), document_->info().format);
    if (!rect) throw HostError(Tr("not a cell address: \"%s\"", {address}));
    return std::make_unique<LoRange>(document_, sheet_, *rect, address);
  }

  std::vector<std::vector<std::string>> usedTable() override {
    document_->sendHeld();
    return document_->session().call(Tr("read the used area"), [&] {
      Reference<css::sheet::XUsedAreaCursor> cursor(sheet_->createCursor(), UNO_QUERY_THROW);
      cursor->gotoEndOfUsedArea(false);
      const auto end = Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
      // The table holds every cell of the used area, empty ones too: one cell
      // in the last row and one in the last column would make it the whole grid.
      const auto cells = static_cast<std::int64_t>(end.EndRow + 1) * (end.EndColumn + 1);
      if (cells > kMostTableCells) {
        throw HostError(Tr("the sheet's used area (%s rows by %s columns) is larger than a table may be",
                           {std::to_string(end.EndRow + 1), std::to_string(end.EndColumn + 1)}));
      }
      const auto area = sheet_->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow);
      const auto types = shownTypes(area, end.EndRow + 1, end.EndColumn + 1);
      std::vector<std::vector<std::string>> table;
      const auto truths = truthTexts(area);
      const auto data = Reference<css::sheet::XCellRangeData>(area, UNO_QUERY_THROW)->getDataArray();
      for (sal_Int32 r = 0; r < data.getLength(); ++r) {
        auto& out = table.emplace_back();
        for (sal_Int32 c = 0; c < data[r].getLength(); ++c) {
          double number = 0;
          OUString text;
          if (data[r][c] >>= text) {
            out.push_back(FromOU(text));
          } else if (const auto truth = truths.find({r, c}); truth != truths.end()) {
            out.push_back(truth->second);
          } else if (data[r][c] >>= number) {
            out.push_back(shownValue(number, types[static_cast<size_t>(r)][static_cast<size_t>(c)]));
          } else {
            out.emplace_back();
          }
        }
      }
      return table;
    });
  }

 private:
  // The number format type of every cell of area (rows x columns from A1),
  // read per group of cells that share one format.
  std::vector<std::vector<sal_Int16>> shownTypes(const Reference<css::table::XCellRange>& area, sal_Int32 rows,
                                                 sal_Int32 columns) {
    std::vector<std::vector<sal_Int16>> types(static_cast<size_t>(rows),
                                              std::vector<sal_Int16>(static_cast<size_t>(columns), 0));
    const auto groups =
        Reference<css::sheet::XUniqueCellFormatRangesSupplier>(area, UNO_QUERY_THROW)->getUniqueCellFormatRanges();
    for (sal_Int32 i = 0; i < groups->getCount(); ++i) {
      Reference<css::sheet::XSheetCellRanges> ranges(groups->getByIndex(i), UNO_QUERY_THROW);
      sal_Int32 key = 0;
      Reference<css::beans::XPropertySet>(ranges, UNO_QUERY_THROW)->getPropertyValue("NumberFormat") >>= key;
      const sal_Int16 type = document_->formatType(key);
      using namespace css::util::NumberFormat;
      if (!(type & (LOGICAL | DATE | TIME))) continue;
      for (const auto& range : ranges->getRangeAddresses()) {
        for (sal_Int32 r = range.StartRow; r <= std::min(range.EndRow, rows - 1); ++r) {
          for (sal_Int32 c = range.StartColumn; c <= std::min(range.EndColumn, columns - 1); ++c) {
            types[static_cast<size_t>(r)][static_cast<size_t>(c)] = type;
          }
        }
      }
    }
    return types;
  }

  // Cells of area that hold a truth value, by row and column: the office
  // imports the file's truth values as the formulas =TRUE() and =FALSE().
  static std::map<std::pair<sal_Int32, sal_Int32>, std::string> truthTexts(
      const Reference<css::table::XCellRange>& area) {
    std::map<std::pair<sal_Int32, sal_Int32>, std::string> truths;
    const auto formulas = Reference<css::sheet::XCellRangeFormula>(area, UNO_QUERY_THROW)->getFormulaArray();
    for (sal_Int32 r = 0; r < formulas.getLength(); ++r) {
      for (sal_Int32 c = 0; c < formulas[r].getLength(); ++c) {
        if (auto truth = TruthText(FromOU(formulas[r][c]))) truths[{r, c}] = std::move(*truth);
      }
    }
    return truths;
  }

  // A number as the sheet shows it: truth values, dates and times by their format.
  std::string shownValue(double value, sal_Int16 type) {
    using namespace css::util::NumberFormat;
    if (type & LOGICAL) return value != 0 ? "TRUE" : "FALSE";
    if (type & (DATE | TIME)) {
      return SerialToText(value, document_->nullDate(), (type & DATE) != 0, (type & TIME) != 0);
    }
    return rules::GeneralNumberText(value);
  }

  std::shared_ptr<LoDocument> document_;
  Reference<css::sheet::XSpreadsheet> sheet_;
};

class LoWorkbookImpl : public Workbook {
 public:
  LoWorkbookImpl(std::shared_ptr<LoDocument> document, std::optional<FileIdentity> loaded, OwnerRule owner)
      : document_(std::move(document)), loaded_(loaded), owner_(owner) {}

  std::unique_ptr<Worksheet> worksheet(const std::string& name) override {
    document_->sendHeld();
    return document_->session().call(Tr("find the worksheet \"%s\"", {name}), [&] {
      const auto sheet = document_->sheetNamed(ToOU(name));
      if (!sheet.is()) throw HostError(Tr("the workbook has no sheet named \"%s\"", {name}));
      return wrap(sheet);
    });
  }

  std::unique_ptr<Worksheet> worksheetAt(int position) override {
    document_->sendHeld();
    return document_->session().call(Tr("find worksheet %s", {std::to_string(position)}), [&] {
      const auto sheet = document_->sheetAt(position - 1);
      if (!sheet.is()) throw HostError(Tr("the workbook has no sheet number %s", {std::to_string(position)}));
      return wrap(sheet);
    });
  }

  // The sheet the file names as active, else the one at the file's active
  // position, else the first.
  std::unique_ptr<Worksheet> activeSheet() override {
    document_->sendHeld();
    return document_->session().call(Tr("find the active sheet"), [&] {
      Reference<css::sheet::XSpreadsheet> sheet;
      if (const auto& name = document_->info().activeSheetName; !name.empty()) {
        sheet = document_->sheetNamed(ToOU(name));
      }
      if (!sheet.is()) sheet = document_->sheetAt(document_->activeTab());
      if (!sheet.is()) sheet = document_->sheetAt(0);
      return wrap(sheet);
    });
  }

  void holdEdits() override { document_->holdEdits(); }
  void sendEdits() override { document_->sendHeld(); }
  size_t editsMade() const override { return document_->editsMade(); }

  void saveChecked(const BeforeReplace& check) override {
    document_->sendHeld();
    StoreInPlace(document_->path(), loaded_, [&](const fs::path& temp) { write(temp); }, verify(check),
                 extension(), owner_);
  }
  void saveAsChecked(const std::string& path, const BeforeReplace& check) override {
    document_->sendHeld();
    StoreReplacing(path, [&](const fs::path& temp) { write(temp); }, verify(check), extension());
  }
  std::string notice() override { return MisnamedNotice(document_->path(), document_->info().format); }
  void closeInBackground() override { document_->closeInBackground(); }

 private:
  std::unique_ptr<Worksheet> wrap(const Reference<css::sheet::XSpreadsheet>& sheet) {
    if (!sheet.is()) throw HostError(Tr("the workbook has no sheets"));
    return std::make_unique<LoWorksheet>(document_, sheet);
  }

  static std::function<void(const fs::path&)> verify(const BeforeReplace& check) {
    return [check](const fs::path& written) {
      if (check) check(written.string());
    };
  }

  std::string extension() const { return FormatExtension(document_->info().format); }

  // An .ods keeps a font per script itself; an Excel format has one for all.
  // Text results are what the Excel 97 export alone loses, and built-in
  // names what it alone writes twice.
  void write(const fs::path& temp) {
    const WorkbookFileInfo& info = document_->info();
    const bool fonts = info.format != WorkbookFormat::Ods, textResults = info.format == WorkbookFormat::Xls;
    EnterPhase(WorkPhase::Store);
    const auto times = document_->session().call(Tr("save %s", {document_->path()}), [&] {
      const Sequence<PropertyValue> arguments =
          Seq({Property("FilterName", Any(ToOU(info.exportFilter))), Property("Overwrite", Any(true))});
      const Any value(Seq<Any>({Any(FileUrl(temp)), Any(arguments), Any(fonts), Any(textResults), Any(mayHoldLinks()),
                                   Any(info.format == WorkbookFormat::Xls)}));
      return document_->session()
          .runOfficeTask(kStoreTask, document_->component(), {css::beans::NamedValue("Value", value)})
          .get<Sequence<double>>();
    });
    if (fonts) SpentWithin(WorkPhase::Fonts, times[0], times[1]);
    if (textResults) SpentWithin(WorkPhase::TextResults, times[2], times[3]);
  }

  // Links to files are written relative to the folder written into unless
  // the office is told to keep their text; looking for them costs a save.
  bool mayHoldLinks() {
    if (!mayHoldLinks_) mayHoldLinks_ = MayHoldHyperlinks(document_->path(), document_->info().format);
    return *mayHoldLinks_;
  }

  std::optional<bool> mayHoldLinks_;
  std::shared_ptr<LoDocument> document_;
  std::optional<FileIdentity> loaded_;  // the source file as it was before loading
  OwnerRule owner_;
};

}  // namespace

std::unique_ptr<Workbook> OpenWorkbook(std::shared_ptr<LoSession> session, const std::string& path,
                                       const WorkbookFileInfo& info, OpenMode mode,
                                       std::optional<FileIdentity> loaded, OwnerRule owner) {
  const OUString filter = ToOU(info.filterName);
  // Read-only loading leaves no lock file beside the workbook; edits are
  // allowed again through IsChangeReadOnlyEnabled.
  const Sequence<PropertyValue> args = Seq({
      Property("Hidden", Any(true)),
      Property("ReadOnly", Any(true)),
      Property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
      Property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
      Property("FilterName", Any(filter)),
      Property("URL", Any(FileUrl(path))),
  });
  const Any settings(Seq<Any>({Any(args), Any(mode == OpenMode::Edit), Any(ToOU(info.defaultFontName)),
                                Any(static_cast<float>(info.defaultFontSize))}));
  Sequence<Any> answer;
  Reference<css::lang::XComponent> component;
  try {
    answer = session->call(Tr("open %s", {path}), [&] {
      return session->runOfficeTask(kLoadForWorkTask, {}, {css::beans::NamedValue("Value", settings)})
          .get<Sequence<Any>>();
    });
    if (answer.getLength() == 7) answer[0] >>= component;  // else not loaded, as far as this program knows
  } catch (const OfficeLibraryMissing&) {
    throw;  // the program's fault, not the workbook's
  } catch (const OfficeMemoryExceeded&) {
    throw;  // too large for the office, not damaged
  } catch (const HostError& e) {
    if (info.encrypted) throw HostError(Tr("the workbook is protected by a password: %s", {path}));
    if (!session->alive()) throw;
    throw HostError(Tr("the office cannot read this workbook (damaged?): %s", {path}));
  }
  if (!component.is()) {
    throw HostError(info.encrypted ? Tr("the workbook is protected by a password: %s", {path})
                                   : Tr("the office cannot read this workbook (damaged?): %s", {path}));
  }
  auto document = std::make_shared<LoDocument>(session, component, path, info);
  document->takePrepared(answer, filter);
  return std::make_unique<LoWorkbookImpl>(document, loaded, owner);
}

}  // namespace sheetwise::host

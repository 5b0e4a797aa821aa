#include "host/officeside/LoSheetEdits.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/sheet/CellDeleteMode.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/CellInsertMode.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRange.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/CellProtection.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XProtectable.hpp>

#include <algorithm>
#include <string>
#include <utility>

#include "host/OfficeSideTasks.h"

namespace sheetwise::host {
namespace {
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// Thrown by a check, answered as the refusal.
struct Refusal {
  std::string reason;
};

bool IsProtected(const Reference<css::uno::XInterface>& object) {
  const Reference<css::util::XProtectable> protectable(object, UNO_QUERY);
  return protectable.is() && protectable->isProtected();
}

void CheckSheetUnprotected(const SheetEdit& e) {
  if (IsProtected(e.sheet)) throw Refusal{kSheetProtected};
}

Reference<css::table::XCellRange> Cells(const SheetEdit& e) {
  return e.sheet->getCellRangeByPosition(e.area.StartColumn, e.area.StartRow, e.area.EndColumn, e.area.EndRow);
}

// Inserting the area's rows must not push a non-blank cell off the grid's last row.
void InsertRows(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  sal_Int32 gridRows = 0;
  e.value >>= gridRows;
  using namespace css::sheet::CellFlags;
  const sal_Int32 count = e.area.EndRow - e.area.StartRow + 1;
  const Reference<css::sheet::XCellRangesQuery> bottom(
      e.sheet->getCellRangeByPosition(0, gridRows - count, e.area.EndColumn, gridRows - 1), UNO_QUERY_THROW);
  if (bottom->queryContentCells(VALUE | DATETIME | STRING | FORMULA | ANNOTATION)->getRangeAddresses().hasElements()) {
    throw Refusal{kRowsDoNotFit};
  }
  Reference<css::sheet::XCellRangeMovement>(e.sheet, UNO_QUERY_THROW)
      ->insertCells(e.area, css::sheet::CellInsertMode_ROWS);
}

void DeleteRows(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  Reference<css::sheet::XCellRangeMovement>(e.sheet, UNO_QUERY_THROW)
      ->removeRange(e.area, css::sheet::CellDeleteMode_ROWS);
}

void DeleteColumns(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  Reference<css::sheet::XCellRangeMovement>(e.sheet, UNO_QUERY_THROW)
      ->removeRange(e.area, css::sheet::CellDeleteMode_COLUMNS);
}

// Values and formulas go; formats stay.
void ClearContents(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  using namespace css::sheet::CellFlags;
  Reference<css::sheet::XSheetOperation>(Cells(e), UNO_QUERY_THROW)->clearContents(VALUE | DATETIME | STRING | FORMULA);
}

// The span of the merged area a cell of the sheet lies in (the cell alone when none).
css::table::CellRangeAddress MergedSpan(const Reference<css::sheet::XSpreadsheet>& sheet,
                                        const Reference<css::table::XCellRange>& cells) {
  const Reference<css::sheet::XSheetCellCursor> cursor(
      sheet->createCursorByRange(Reference<css::sheet::XSheetCellRange>(cells, UNO_QUERY_THROW)), UNO_QUERY_THROW);
  cursor->collapseToMergedArea();
  return Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)->getRangeAddress();
}

bool SameSpan(const css::table::CellRangeAddress& a, const css::table::CellRangeAddress& b) {
  return a.StartRow == b.StartRow && a.StartColumn == b.StartColumn && a.EndRow == b.EndRow &&
         a.EndColumn == b.EndColumn;
}

// One cell, centred both ways, without wrapping, rotation, indent or shrinking.
// Merged areas inside the range give way to it. One that reaches outside the
// range would be lost with cells the rule does not name: the merge is refused
// before anything changes, with the span they take together.
void MergeCentred(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  if (e.area.StartRow == e.area.EndRow && e.area.StartColumn == e.area.EndColumn) return;  // nothing to merge
  const auto range = Cells(e);
  if (const auto span = MergedSpan(e.sheet, range); !SameSpan(span, e.area)) {
    throw Refusal{std::string(kMergeReachesOut) + " " + std::to_string(span.StartRow) + " " +
                  std::to_string(span.StartColumn) + " " + std::to_string(span.EndRow) + " " +
                  std::to_string(span.EndColumn)};
  }
  // Names in alphabetical order, as the multi-property call requires.
  static const Sequence<OUString> names = Seq<OUString>(
      {"HoriJustify", "IsTextWrapped", "ParaIndent", "RotateAngle", "ShrinkToFit", "VertJustify", "WritingMode"});
  static const Sequence<Any> values = Seq<Any>({Any(css::table::CellHoriJustify_CENTER), Any(false),
                                                Any(sal_Int16(0)), Any(sal_Int32(0)), Any(false),
                                                Any(sal_Int32(2)),    // centre (CellVertJustify2)
                                                Any(sal_Int16(4))});  // direction from the context (WritingMode2::PAGE)
  Reference<css::beans::XMultiPropertySet>(range, UNO_QUERY_THROW)->setPropertyValues(names, values);
  // The office merges no range that holds a merged area, and says a range is
  // merged when any cell of it is: the areas inside go first, and the range's
  // first cell tells whether the merge took.
  const Reference<css::util::XMergeable> mergeable(range, UNO_QUERY_THROW);
  mergeable->merge(false);
  mergeable->merge(true);
  const auto first = e.sheet->getCellRangeByPosition(e.area.StartColumn, e.area.StartRow, e.area.StartColumn,
                                                     e.area.StartRow);
  if (!SameSpan(MergedSpan(e.sheet, first), e.area)) throw Refusal{kCannotMerge};
}

// As in the spreadsheet the rules come from: a size of 0 hides the rows or
// columns (keeping the size they had), any other size sets it and shows them.
void SetSizeOrHide(const Reference<css::beans::XPropertySet>& lines, const char* size, const Any& value) {
  if (value.get<sal_Int32>() == 0) {
    lines->setPropertyValue("IsVisible", Any(false));
    return;
  }
  lines->setPropertyValue(OUString::createFromAscii(size), value);
  lines->setPropertyValue("IsVisible", Any(true));
}

void RowHeight(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  SetSizeOrHide(Reference<css::beans::XPropertySet>(
                    Reference<css::table::XColumnRowRange>(Cells(e), UNO_QUERY_THROW)->getRows(), UNO_QUERY_THROW),
                "Height", e.value);
}

void ColumnWidth(const SheetEdit& e) {
  CheckSheetUnprotected(e);
  SetSizeOrHide(Reference<css::beans::XPropertySet>(
                    Reference<css::table::XColumnRowRange>(Cells(e), UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW),
                "Width", e.value);
}

// The cell of the area, once a protected sheet has been seen to leave it unlocked.
Reference<css::table::XCell> WritableCell(const SheetEdit& e) {
  const auto cell = e.sheet->getCellByPosition(e.area.StartColumn, e.area.StartRow);
  if (IsProtected(e.sheet)) {
    css::util::CellProtection protection;
    Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)->getPropertyValue("CellProtection") >>= protection;
    if (protection.IsLocked) throw Refusal{kSheetProtected};
  }
  return cell;
}

void SetNumber(const SheetEdit& e) {
  double number = 0;
  e.value >>= number;
  WritableCell(e)->setValue(number);
}

// The office's error codes for a formula that does not parse (as opposed to
// one that computes an error value such as #DIV/0!).
bool IsSyntaxError(sal_Int32 code) {
  static constexpr sal_Int32 kSyntax[] = {501, 504, 507, 508, 509, 510, 511, 512, 516, 517, 518, 520, 526};
  return std::find(std::begin(kSyntax), std::end(kSyntax), code) != std::end(kSyntax);
}

// Read as the user types it: the session set Excel syntax for input.
void SetFormula(const SheetEdit& e) {
  const auto cell = WritableCell(e);
  Reference<css::beans::XPropertySet>(cell, UNO_QUERY_THROW)->setPropertyValue("FormulaLocal", e.value);
  if (IsSyntaxError(cell->getError())) throw Refusal{kFormulaSyntax};
}

void SetText(const SheetEdit& e) {
  OUString text;
  e.value >>= text;
  Reference<css::text::XText>(WritableCell(e), UNO_QUERY_THROW)->setString(text);
}

void RenameSheet(const SheetEdit& e) {
  if (IsProtected(e.document)) throw Refusal{kStructureProtected};
  OUString name;
  e.value >>= name;
  const Reference<css::container::XNamed> named(e.sheet, UNO_QUERY_THROW);
  named->setName(name);
  if (named->getName() != name) throw Refusal{kNameTaken};
}

// Carries out one edit: answers its refusal, or the empty text when done.
OUString RunSheetEdit(SheetEdit edit, const OUString& task) {
  using Edit = void (*)(const SheetEdit&);
  static const std::pair<const char*, Edit> kEdits[] = {
      {kInsertRowsTask, InsertRows},   {kDeleteRowsTask, DeleteRows},         {kDeleteColumnsTask, DeleteColumns},
      {kClearContentsTask, ClearContents}, {kMergeCentredTask, MergeCentred}, {kRowHeightTask, RowHeight},
      {kColumnWidthTask, ColumnWidth}, {kSetNumberTask, SetNumber},           {kSetFormulaTask, SetFormula},
      {kSetTextTask, SetText},         {kRenameSheetTask, RenameSheet}};
  const auto found = std::find_if(std::begin(kEdits), std::end(kEdits),
                                  [&](const auto& known) { return task.equalsAscii(known.first); });
  if (found == std::end(kEdits)) throw css::lang::IllegalArgumentException("unknown edit " + task, {}, 0);
  edit.area.Sheet = Reference<css::sheet::XCellRangeAddressable>(edit.sheet, UNO_QUERY_THROW)->getRangeAddress().Sheet;
  try {
    found->second(edit);
  } catch (const Refusal& refusal) {
    return OUString::createFromAscii(refusal.reason.c_str());
  }
  return OUString();
}

}  // namespace

Sequence<Any> RunSheetEdits(const Reference<css::lang::XComponent>& document, const Sequence<Any>& edits) {
  sal_Int32 done = 0;
  for (; done < edits.getLength(); ++done) {
    const auto parts = edits[done].get<Sequence<Any>>();
    if (parts.getLength() != 4) throw css::lang::IllegalArgumentException("an edit takes four values", {}, 0);
    OUString refusal;
    try {
      refusal = RunSheetEdit({document, parts[1].get<Reference<css::sheet::XSpreadsheet>>(),
                              parts[2].get<css::table::CellRangeAddress>(), parts[3]},
                             parts[0].get<OUString>());
    } catch (const css::uno::Exception&) {
      return Seq<Any>({Any(done), Any(OUString()), Any(true)});
    }
    if (!refusal.isEmpty()) return Seq<Any>({Any(done), Any(refusal), Any(false)});
  }
  return Seq<Any>({Any(done), Any(OUString()), Any(false)});
}

}  // namespace sheetwise::host

#include "ui/handlers/GridPicker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/CellAddress.h"
#include "rules/RuleList.h"
#include "rules/RuleString.h"
#include "ui/handlers/RuleEditor.h"

namespace sheetwise::rules {

namespace {

constexpr int kGridWidthAllowance = 100;   // twips the grid leaves of the outer width
constexpr int kGridHeightAllowance = 500;  // and of the outer height

// Rows of the selection rectangle as the Enter handler walks them; an unset
// start counts as 0 and is written as the empty text.
struct RowSpan {
  std::int64_t first;
  std::int64_t last;
  bool firstUnset;
};

RowSpan Rows(const ui::Selection& s) { return {s.startRow.value_or(0), s.endRow, !s.startRow.has_value()}; }

std::int64_t FirstColumn(const ui::Selection& s) { return s.startColumn.value_or(0); }

}  // namespace

std::string GridColumnCharacter(int column) {
  const std::int64_t code = 64 + static_cast<std::int64_t>(column);
  const bool valid = code >= 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
  return valid ? ColumnCharacter(column) : std::string("\xEF\xBF\xBD");
}

void GridPicker::mouseDown(int row, int column) {
  picker_.selection.startRow = row;
  picker_.selection.startColumn = column;
}

void GridPicker::mouseUp(int row, int column) {
  auto& s = picker_.selection;
  s.endRow = row;
  s.endColumn = column;
  // The corners change places only when the start lies below the end; the
  // columns go along with the rows and are never exchanged on their own.
  const int startRow = s.startRow.value_or(0);
  if (startRow > s.endRow) {
    const int startColumn = s.startColumn.value_or(0);
    s.startRow = s.endRow;
    s.startColumn = s.endColumn;
    s.endRow = startRow;
    s.endColumn = startColumn;
  }
  if (s.endColumn < 0 || s.startColumn.value_or(0) < 0) {
    dialogs_.message(kIrregularSelection, ui::MessageStyle::Information);
  }
}

void GridPicker::keyPress(int characterCode) {
  if (characterCode == kEnterKey) onEnter();
}

void GridPicker::resize(int outerWidth, int outerHeight) {
  picker_.Width = outerWidth;
  picker_.Height = outerHeight;
  picker_.VSFlexGrid1.width = std::max(0, outerWidth - kGridWidthAllowance);
  picker_.VSFlexGrid1.height = std::max(0, outerHeight - kGridHeightAllowance);
}

void GridPicker::close() { picker_ = ui::Form2{}; }

void GridPicker::onEnter() {
  const std::string rowText = dialogs_.input(kActualRowPrompt);
  if (rowText == "X" || rowText == "x") {
    appendExtractionEntries();
    return;
  }
  if (rowText.empty()) return;
  const std::string countText = dialogs_.input(kRowCountPrompt);
  const auto firstRow = ParseNumber(rowText);
  const auto rowCount = RoundedInteger(countText);
  if (!firstRow || !rowCount) {
    dialogs_.message(kNotANumber, ui::MessageStyle::Information);
    return;
  }
  // The row goes into the rules as the reader takes it: " 5", "5.0" and "+5" are written 5.
  if (*firstRow != std::floor(*firstRow) || *firstRow < 1 || *firstRow > host::kMaxRows) {
    dialogs_.message(kNotARow, ui::MessageStyle::Information);
    return;
  }
  if (refusedCellText()) return;
  appendStandardEntries(static_cast<int>(*firstRow), *rowCount);
  close();
}

bool GridPicker::refusedCellText() {
  const auto& s = picker_.selection;
  const RowSpan rows = Rows(s);
  for (std::int64_t r = rows.first; r <= rows.last; ++r) {
    for (std::int64_t c = FirstColumn(s); c <= s.endColumn; ++c) {
      if (FitsInField(picker_.VSFlexGrid1.text(static_cast<int>(r), static_cast<int>(c)))) continue;
      const std::string cell = "第 " + std::to_string(r) + " 行第 " + std::to_string(c) + " 列的";
      dialogs_.message(cell + UnheldTextMessage("单元格内容"), ui::MessageStyle::Information);
      return true;
    }
  }
  return false;
}

void GridPicker::appendExtractionEntries() {
  RuleList list(main_.List3.items);
  const auto& s = picker_.selection;
  const RowSpan rows = Rows(s);
  for (std::int64_t r = rows.first; r <= rows.last; ++r) {
    const std::string row = (r == rows.first && rows.firstUnset) ? "" : std::to_string(r);
    for (std::int64_t c = FirstColumn(s); c <= s.endColumn; ++c) {
      list.append(std::string(tag::ExtractCell) + row + "|" + GridColumnCharacter(static_cast<int>(c)) + "|");
    }
  }
}

void GridPicker::appendStandardEntries(int firstRow, int rowCount) {
  RuleList list(main_.List3.items);
  const std::string prefix = std::string(rowCount > 0 ? tag::InsertRows : tag::DeleteRows) + "|" +
                             std::string(WholeRowMode) + "|" + std::to_string(firstRow);
  const std::int64_t times = rowCount > 0 ? rowCount : -static_cast<std::int64_t>(rowCount);
  for (std::int64_t i = 0; i < times; ++i) list.append(prefix);

  const auto& s = picker_.selection;
  const RowSpan rows = Rows(s);
  for (std::int64_t r = rows.first; r <= rows.last; ++r) {
    const std::string sheetRow = std::to_string(firstRow + (r - rows.first));
    for (std::int64_t c = FirstColumn(s); c <= s.endColumn; ++c) {
      const int column = static_cast<int>(c);
      list.append(sheetRow + "|" + GridColumnCharacter(column) + "|" +
                  picker_.VSFlexGrid1.text(static_cast<int>(r), column));
    }
  }
}

}  // namespace sheetwise::rules

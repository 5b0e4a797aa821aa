#include "verify/RuleChanges.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/CellAddress.h"
#include "host/Translate.h"
#include "rules/RuleString.h"

namespace sheetwise::verify {
namespace {

using Cells = std::map<std::pair<int, int>, CellValue>;

class ChangeList {
 public:
  explicit ChangeList(size_t shown) : shown_(shown) {}
  void add(std::string line) {
    if (line.empty()) return;
    if (list_.first.size() < shown_) list_.first.push_back(std::move(line));
    ++list_.count;
  }
  Differences take() { return std::move(list_); }

 private:
  size_t shown_;
  Differences list_;
};

std::string AreaName(const Edit& e) {
  return host::CellName(e.firstRow, e.firstColumn) + ":" + host::CellName(e.lastRow, e.lastColumn);
}

std::string SheetNamed(const std::string& name) { return Tr("sheet \"%s\"", {name}); }

// One edit in words, sheet naming its sheet; "" for cells written when their
// values were read, which the values tell.
std::string EditText(const Edit& e, const std::string& sheet, bool valuesRead) {
  switch (e.kind) {
    case Edit::Kind::InsertRow:
      return Tr("%s: row %s inserted", {sheet, std::to_string(e.first)});
    case Edit::Kind::DeleteRow:
      return Tr("%s: row %s deleted", {sheet, std::to_string(e.first)});
    case Edit::Kind::DeleteColumn:
      return Tr("%s: column %s deleted", {sheet, host::ColumnLetters(e.first)});
    case Edit::Kind::RowSize:
      return Tr("%s: row %s height set to %s pt", {sheet, std::to_string(e.first), rules::GeneralNumberText(e.size)});
    case Edit::Kind::ColumnSize:
      return Tr("%s: column %s width set to %s characters",
                {sheet, host::ColumnLetters(e.first), rules::GeneralNumberText(e.size)});
    case Edit::Kind::Rename:
      return Tr("%s: renamed \"%s\"", {sheet, e.newName});
    case Edit::Kind::Cells:
      switch (e.action) {
        case Edit::CellsAction::Merged:
          return Tr("%s: %s merged", {sheet, AreaName(e)});
        case Edit::CellsAction::Cleared:
          return Tr("%s: %s cleared", {sheet, AreaName(e)});
        case Edit::CellsAction::Written:
          if (valuesRead) return "";
          return Tr("%s: cell %s written (values not read)", {sheet, host::CellName(e.firstRow, e.firstColumn)});
      }
  }
  return "";
}

// The edits that move cells (rows inserted and deleted, columns deleted), from the one at first on.
std::vector<const Edit*> Moves(const std::vector<const Edit*>& edits, size_t first) {
  std::vector<const Edit*> moves;
  for (size_t i = first; i < edits.size(); ++i) {
    const Edit::Kind kind = edits[i]->kind;
    if (kind == Edit::Kind::InsertRow || kind == Edit::Kind::DeleteRow || kind == Edit::Kind::DeleteColumn) {
      moves.push_back(edits[i]);
    }
  }
  return moves;
}

// Calls take(row, column) for each cell of cells inside box.
template <class Take>
void CellsWithin(const Cells& cells, const CellArea& box, Take take) {
  const auto inColumns = [&](int column) { return column >= box.firstColumn && column <= box.lastColumn; };
  if (static_cast<size_t>(box.lastRow - box.firstRow) >= cells.size()) {  // fewer cells than rows: walk them all
    const auto end = cells.lower_bound({box.lastRow + 1, 0});
    for (auto it = cells.lower_bound({box.firstRow, 0}); it != end; ++it) {
      if (inColumns(it->first.second)) take(it->first.first, it->first.second);
    }
    return;
  }
  for (int row = box.firstRow; row <= box.lastRow; ++row) {
    for (auto it = cells.lower_bound({row, box.firstColumn});
         it != cells.end() && it->first.first == row && inColumns(it->first.second); ++it) {
      take(row, it->first.second);
    }
  }
}

// The cells of one sheet in the written file where a rule wrote, merged or
// cleared: those the source or the written file hold a value in.
class TouchedCells {
 public:
  TouchedCells(const SheetContent& source, const SheetContent& saved, const std::vector<const Edit*>& edits)
      : source_(source), saved_(saved), edits_(edits), moves_(Moves(edits, 0)) {}

  std::set<std::pair<int, int>> find() const {
    std::set<std::pair<int, int>> found;
    for (size_t k = 0; k < edits_.size(); ++k) {
      if (edits_[k]->kind == Edit::Kind::Cells) addWithin(*edits_[k], Moves(edits_, k + 1), found);
    }
    return found;
  }

  // Where a cell of the written file was in the source; row 0 when in no row or column of it.
  Position sourceOf(int row, int column) const {
    const int fromRow = LineBack(row, true, moves_), fromColumn = LineBack(column, false, moves_);
    return fromRow && fromColumn ? Position{fromRow, fromColumn} : Position{};
  }

 private:
  void addWithin(const Edit& e, const std::vector<const Edit*>& later, std::set<std::pair<int, int>>& found) const {
    // Whether a cell of the written file is one of the edit's, its rows and columns followed through the later moves.
    const auto inEdit = [&](int row, int column) {
      const int atRow = LineBack(row, true, later), atColumn = LineBack(column, false, later);
      return atRow >= e.firstRow && atRow <= e.lastRow && atColumn >= e.firstColumn && atColumn <= e.lastColumn;
    };
    int rowShift = 0, columnShift = 0;
    for (const Edit* m : moves_) (m->kind == Edit::Kind::DeleteColumn ? columnShift : rowShift)++;
    const CellArea box{std::max(1, e.firstRow - rowShift), std::max(1, e.firstColumn - columnShift),
                       e.lastRow + rowShift, e.lastColumn + columnShift};
    CellsWithin(saved_.cells, box, [&](int row, int column) {
      if (inEdit(row, column)) found.insert({row, column});
    });
    CellsWithin(source_.cells, box, [&](int row, int column) {
      const int toRow = LineForward(row, true, moves_), toColumn = LineForward(column, false, moves_);
      if (toRow && toColumn && inEdit(toRow, toColumn)) found.insert({toRow, toColumn});
    });
  }

  const SheetContent& source_;
  const SheetContent& saved_;
  const std::vector<const Edit*>& edits_;
  std::vector<const Edit*> moves_;
};

const CellValue kNoValue;

const CellValue& ValueAt(const Cells& cells, int row, int column) {
  const auto it = cells.find({row, column});
  return it == cells.end() ? kNoValue : it->second;
}

void ListValueChanges(const SheetContent& source, const SheetContent& saved, const std::vector<const Edit*>& edits,
                      ChangeList& list) {
  const TouchedCells touched(source, saved, edits);
  for (const auto& [row, column] : touched.find()) {
    const Position from = touched.sourceOf(row, column);
    const CellValue& before = from.row ? ValueAt(source.cells, from.row, from.column) : kNoValue;
    const CellValue& after = ValueAt(saved.cells, row, column);
    if (before.kind == after.kind && before.text == after.text && before.formula == after.formula) continue;
    list.add(Tr("sheet \"%s\", cell %s: %s → %s",
                {saved.name, host::CellName(row, column), DescribeValue(before), DescribeValue(after)}));
  }
}

}  // namespace

Differences ListChanges(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint,
                        size_t shown) {
  ChangeList list(shown);
  const auto bySheet = EditsBySheet(source, footprint);
  std::map<const Edit*, size_t> sheetOf;
  for (size_t i = 0; i < bySheet.size(); ++i) {
    for (const Edit* e : bySheet[i]) sheetOf[e] = i;
  }
  for (const Edit& e : footprint.edits) {
    if (const auto it = sheetOf.find(&e); it != sheetOf.end()) {
      list.add(EditText(e, SheetNamed(source.sheets[it->second].name), true));
    }
  }
  for (size_t i = 0; i < bySheet.size() && i < saved.sheets.size(); ++i) {
    if (!bySheet[i].empty()) ListValueChanges(source.sheets[i], saved.sheets[i], bySheet[i], list);
  }
  return list.take();
}

Differences ListEdits(const EditFootprint& footprint, size_t shown) {
  ChangeList list(shown);
  for (const Edit& e : footprint.edits) {
    const std::string sheet =
        e.sheet == SheetRole::Named ? SheetNamed(footprint.namedSheet) : std::string(Tr("the active sheet"));
    list.add(EditText(e, sheet, false));
  }
  return list.take();
}

}  // namespace sheetwise::verify

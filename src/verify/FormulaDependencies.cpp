#include "verify/FormulaDependencies.h"

#include <algorithm>
#include <deque>
#include <map>
#include <tuple>

#include "verify/FormulaText.h"
#include "verify/FormulaTokens.h"

namespace sheetwise::verify {
namespace {

// True when an edit of one sheet acts on the cells of [first, last] rows and
// columns, followed through the inserts and deletes before it; an insert
// inside the range, or one that pushes its cells off the sheet, counts.
bool Touched(int firstRow, int lastRow, int firstColumn, int lastColumn, const std::vector<const Edit*>& edits,
             int sheetRows) {
  for (const Edit* e : edits) {
    switch (e->kind) {
      case Edit::Kind::InsertRow:
        if (e->first <= lastRow && (e->first > firstRow || lastRow >= sheetRows)) return true;
        if (e->first <= firstRow) ++firstRow, ++lastRow;
        break;
      case Edit::Kind::DeleteRow:
        if (e->first >= firstRow && e->first <= lastRow) return true;
        if (e->first < firstRow) --firstRow, --lastRow;
        break;
      case Edit::Kind::DeleteColumn:
        if (e->first >= firstColumn && e->first <= lastColumn) return true;
        if (e->first < firstColumn) --firstColumn, --lastColumn;
        break;
      case Edit::Kind::Cells:
        if (e->firstRow <= lastRow && e->lastRow >= firstRow && e->firstColumn <= lastColumn &&
            e->lastColumn >= firstColumn) {
          return true;
        }
        break;
      case Edit::Kind::Rename:
      case Edit::Kind::RowSize:
      case Edit::Kind::ColumnSize:
        break;
    }
  }
  return false;
}

bool MovesCells(const Edit* e) {
  return e->kind == Edit::Kind::InsertRow || e->kind == Edit::Kind::DeleteRow || e->kind == Edit::Kind::DeleteColumn;
}

// Formula cells, defined names and the areas they refer to are the nodes; a
// node's dependents are the nodes whose result can follow from it. What may
// change spreads from the nodes that may change by themselves. The formula
// cells of each sheet, in column order, lie under a tree of nodes that each
// stand for a run of them, so that an area follows the cells inside it through
// a few of those nodes: running totals over thousands of rows stay linear.
class DependencyGraph {
 public:
  DependencyGraph(const XlsContent& book, const std::vector<std::vector<const Edit*>>& editsBySheet)
      : book_(book), edits_(editsBySheet) {
    for (const auto& edits : edits_) cellsMove_ = cellsMove_ || std::ranges::any_of(edits, MovesCells);
    shared_.resize(book_.sheets.size());
    for (size_t s = 0; s < book_.sheets.size(); ++s) {
      for (const SharedFormula& f : book_.sheets[s].sharedFormulas) {
        shared_[s].try_emplace({f.firstRow, f.firstColumn}, &f);
      }
      for (const auto& [at, tokens] : book_.sheets[s].formulas) {
        formulaAt_.push_back({static_cast<int>(s), {at.first, at.second}});
      }
      for (const auto& [at, text] : book_.sheets[s].textFormulas) {
        formulaAt_.push_back({static_cast<int>(s), {at.first, at.second}});
      }
    }
    formulaCount_ = formulaAt_.size();
    addNodes(formulaCount_ + book_.links.names.size());
    for (size_t s = 0; s < book_.sheets.size(); ++s) sheetCells_.push_back(sheetCells(static_cast<int>(s)));
    size_t formula = 0;
    for (size_t s = 0; s < book_.sheets.size(); ++s) {
      for (const auto& [at, tokens] : book_.sheets[s].formulas) {
        link(formula++, referencesOf(static_cast<int>(s), at, tokens));
      }
      for (const auto& [at, text] : book_.sheets[s].textFormulas) {
        link(formula++, referencesOf(static_cast<int>(s), at, text));
      }
    }
    for (size_t n = 0; n < book_.links.names.size(); ++n) link(nameNode(n), referencesOf(book_.links.names[n]));
  }

  std::vector<std::set<Position>> mayChange() {
    std::deque<size_t> pending;
    for (size_t node = 0; node < changes_.size(); ++node) {
      if (changes_[node]) pending.push_back(node);
    }
    for (; !pending.empty(); pending.pop_front()) {
      for (const size_t dependent : dependents_[pending.front()]) {
        if (!changes_[dependent]) {
          changes_[dependent] = true;
          pending.push_back(dependent);
        }
      }
    }
    std::vector<std::set<Position>> result(book_.sheets.size());
    for (size_t f = 0; f < formulaCount_; ++f) {
      if (changes_[f]) result[formulaAt_[f].first].insert(formulaAt_[f].second);
    }
    return result;
  }

 private:
  using Key = std::pair<int, int>;

  // A sheet's formula cells in column order, under their tree: node tree + k
  // (k from 1) stands for the cells of its children 2k and 2k + 1, and the
  // leaf tree + count + i for the i-th cell.
  struct SheetCells {
    std::vector<int> rows;                               // in column order
    std::map<int, std::pair<size_t, size_t>> columns;  // column -> its cells [first, end)
    size_t count = 0, tree = 0;
  };

  SheetCells sheetCells(int sheet) {
    std::vector<std::tuple<int, int, size_t>> cells;  // column, row, formula node
    for (size_t f = 0; f < formulaCount_; ++f) {
      if (formulaAt_[f].first == sheet) cells.emplace_back(formulaAt_[f].second.column, formulaAt_[f].second.row, f);
    }
    std::ranges::sort(cells);
    SheetCells index;
    index.count = cells.size();
    index.tree = addNodes(2 * index.count);
    for (size_t i = 0; i < cells.size(); ++i) {
      const auto [column, row, formula] = cells[i];
      index.rows.push_back(row);
      auto& range = index.columns.try_emplace(column, i, i).first->second;
      range.second = i + 1;
      dependents_[formula].push_back(index.tree + index.count + i);
    }
    for (size_t k = 2; k < 2 * index.count; ++k) dependents_[index.tree + k].push_back(index.tree + k / 2);
    return index;
  }

  size_t nameNode(size_t name) const { return formulaCount_ + name; }
  size_t addNodes(size_t count) {
    const size_t first = changes_.size();
    changes_.resize(first + count, false);
    dependents_.resize(first + count);
    return first;
  }
  int sheetCount() const { return static_cast<int>(book_.sheets.size()); }

  // A cell's expression, or that of the shared or array formula it stands for.
  FormulaReferences referencesOf(int sheet, const Key& at, const std::vector<uint8_t>& tokens) const {
    const FormulaPlace place{sheet, at.first, at.second};
    int row = 0, column = 0;
    if (!SharedFormulaAnchor(tokens, row, column)) return ReadFormulaTokens(tokens, book_.links, sheetCount(), place);
    if (const auto it = shared_[sheet].find({row, column}); it != shared_[sheet].end()) {
      return ReadFormulaTokens(it->second->tokens, book_.links, sheetCount(), place);
    }
    FormulaReferences unknown;
    unknown.unknown = true;
    return unknown;
  }

  FormulaSyntax syntax() const { return book_.format == FileFormat::Ods ? FormulaSyntax::Ods : FormulaSyntax::Ooxml; }

  FormulaReferences referencesOf(int sheet, const Key& at, const TextFormula& formula) const {
    if (!formula.text) {
      FormulaReferences unknown;
      unknown.unknown = true;
      return unknown;
    }
    return ReadFormulaText(*formula.text, syntax(), book_, {sheet, at.first, at.second}, formula.rowShift,
                           formula.columnShift);
  }

  FormulaReferences referencesOf(const DefinedName& name) const {
    if (book_.format != FileFormat::Xls) return ReadFormulaText(name.text, syntax(), book_, {name.sheet, 0, 0});
    FormulaReferences refs = ReadFormulaTokens(name.tokens, book_.links, sheetCount(), {});
    refs.unknown = refs.unknown || !name.readable;
    return refs;
  }

  void link(size_t node, const FormulaReferences& refs) {
    if (refs.volatileFunction || refs.external || refs.unknown || (refs.positional && cellsMove_)) {
      changes_[node] = true;
    }
    for (const size_t name : refs.names) dependents_[nameNode(name)].push_back(node);
    for (const Area& area : refs.areas) {
      const size_t areaId = areaNode(area);  // may add the node
      dependents_[areaId].push_back(node);
    }
  }

  // The node of an area, made at its first use: it may change when an edit
  // acts on it, and it follows every formula cell inside it.
  size_t areaNode(const Area& area) {
    const auto [it, made] = areaIds_.try_emplace(area, 0);
    if (!made) return it->second;
    const size_t node = it->second = addNodes(1);
    for (int s = area.firstSheet; s <= area.lastSheet && s < sheetCount(); ++s) {
      if (s < static_cast<int>(edits_.size()) &&
          Touched(area.firstRow, area.lastRow, area.firstColumn, area.lastColumn, edits_[s], book_.lastRow)) {
        changes_[node] = true;
      }
      followCells(sheetCells_[s], area, node);
    }
    return node;
  }

  // Makes node follow the formula cells of one sheet inside area, column by
  // column, through the fewest tree nodes that cover each column's run.
  void followCells(const SheetCells& cells, const Area& area, size_t node) {
    const auto end = cells.columns.upper_bound(area.lastColumn);
    for (auto column = cells.columns.lower_bound(area.firstColumn); column != end; ++column) {
      const auto first = cells.rows.begin() + static_cast<std::ptrdiff_t>(column->second.first);
      const auto last = cells.rows.begin() + static_cast<std::ptrdiff_t>(column->second.second);
      size_t low = std::lower_bound(first, last, area.firstRow) - cells.rows.begin() + cells.count;
      size_t high = std::upper_bound(first, last, area.lastRow) - cells.rows.begin() + cells.count;
      for (; low < high; low /= 2, high /= 2) {
        if (low & 1) dependents_[cells.tree + low++].push_back(node);
        if (high & 1) dependents_[cells.tree + --high].push_back(node);
      }
    }
  }

  const XlsContent& book_;
  const std::vector<std::vector<const Edit*>>& edits_;
  bool cellsMove_ = false;
  size_t formulaCount_ = 0;
  std::vector<SheetCells> sheetCells_;  // by sheet
  std::vector<std::map<Key, const SharedFormula*>> shared_;  // by sheet, by the cell its range starts at
  std::vector<std::pair<int, Position>> formulaAt_;  // by formula node: sheet and cell
  std::map<Area, size_t> areaIds_;
  std::vector<bool> changes_;                    // by node
  std::vector<std::vector<size_t>> dependents_;  // by node
};

}  // namespace

std::vector<std::set<Position>> FormulasThatMayChange(const XlsContent& book,
                                                      const std::vector<std::vector<const Edit*>>& editsBySheet) {
  return DependencyGraph(book, editsBySheet).mayChange();
}

}  // namespace sheetwise::verify

#include "verify/FormulaDependencies.h"

#include <algorithm>
#include <deque>
#include <map>

#include "verify/FormulaTokens.h"

namespace sheetwise::verify {
namespace {

constexpr int kLastRow = 65536;

// True when an edit of one sheet acts on the cells of [first, last] rows and
// columns, followed through the inserts and deletes before it; an insert
// inside the range, or one that pushes its cells off the sheet, counts.
bool Touched(int firstRow, int lastRow, int firstColumn, int lastColumn, const std::vector<const Edit*>& edits) {
  for (const Edit* e : edits) {
    switch (e->kind) {
      case Edit::Kind::InsertRow:
        if (e->first <= lastRow && (e->first > firstRow || lastRow >= kLastRow)) return true;
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
// change spreads from the nodes that may change by themselves.
class DependencyGraph {
 public:
  DependencyGraph(const XlsContent& book, const std::vector<std::vector<const Edit*>>& editsBySheet)
      : book_(book), edits_(editsBySheet) {
    for (const auto& edits : edits_) cellsMove_ = cellsMove_ || std::ranges::any_of(edits, MovesCells);
    formulaIds_.resize(book_.sheets.size());
    shared_.resize(book_.sheets.size());
    for (size_t s = 0; s < book_.sheets.size(); ++s) {
      for (const SharedFormula& f : book_.sheets[s].sharedFormulas) {
        shared_[s].try_emplace({f.firstRow, f.firstColumn}, &f);
      }
      for (const auto& [at, tokens] : book_.sheets[s].formulas) {
        formulaIds_[s][at] = formulaCount_++;
        formulaAt_.push_back({static_cast<int>(s), {at.first, at.second}});
      }
    }
    addNodes(formulaCount_ + book_.links.names.size());
    for (size_t s = 0; s < book_.sheets.size(); ++s) {
      for (const auto& [at, tokens] : book_.sheets[s].formulas) {
        link(formulaIds_[s][at], referencesOf(static_cast<int>(s), at, tokens));
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

  FormulaReferences referencesOf(const DefinedName& name) const {
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
          Touched(area.firstRow, area.lastRow, area.firstColumn, area.lastColumn, edits_[s])) {
        changes_[node] = true;
      }
      const auto& ids = formulaIds_[s];
      const auto end = ids.upper_bound({area.lastRow, area.lastColumn});
      for (auto f = ids.lower_bound({area.firstRow, area.firstColumn}); f != end; ++f) {
        if (f->first.second >= area.firstColumn && f->first.second <= area.lastColumn) {
          dependents_[f->second].push_back(node);
        }
      }
    }
    return node;
  }

  const XlsContent& book_;
  const std::vector<std::vector<const Edit*>>& edits_;
  bool cellsMove_ = false;
  size_t formulaCount_ = 0;
  std::vector<std::map<Key, size_t>> formulaIds_;   // by sheet
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

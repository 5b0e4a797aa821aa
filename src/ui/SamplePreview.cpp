#include "ui/SamplePreview.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

namespace sheetwise::ui {

namespace {

// Beyond this many pairs of rows to weigh, no rows are taken for the same;
// beyond this many pairs of cells, the rows between those are paired in order.
constexpr std::uint64_t kMostRowPairsWeighed = 4'000'000;
constexpr std::uint64_t kMostCellPairsWeighed = 4'000'000;

size_t Width(const SheetTable& sheet) {
  size_t width = 0;
  for (const auto& row : sheet) width = std::max(width, row.size());
  return width;
}

const std::string& CellOf(const std::vector<std::string>& row, size_t column) {
  static const std::string kEmpty;
  return column < row.size() ? row[column] : kEmpty;
}

size_t DifferingCells(const std::vector<std::string>& a, const std::vector<std::string>& b, size_t width) {
  size_t differing = 0;
  for (size_t column = 0; column < width; ++column) differing += CellOf(a, column) != CellOf(b, column) ? 1 : 0;
  return differing;
}

// A row's text as one key, for hashing: its cells up to the last that is not empty.
std::string RowKey(const std::vector<std::string>& row) {
  size_t used = row.size();
  while (used > 0 && row[used - 1].empty()) --used;
  std::string key;
  for (size_t column = 0; column < used; ++column) key += row[column] + '\x1f';
  return key;
}

std::vector<size_t> RowHashes(const SheetTable& sheet) {
  std::vector<size_t> hashes;
  for (const auto& row : sheet) hashes.push_back(std::hash<std::string>{}(RowKey(row)));
  return hashes;
}

// The rows of the same text paired in order, as many as can be (a longest
// common subsequence); each pair as (before, after), 0-based, in order.
std::vector<std::pair<size_t, size_t>> SameRows(const SheetTable& before, const SheetTable& after, size_t width) {
  const size_t n = before.size(), m = after.size();
  if (static_cast<std::uint64_t>(n) * m > kMostRowPairsWeighed) return {};
  const std::vector<size_t> b = RowHashes(before), a = RowHashes(after);
  const auto same = [&](size_t i, size_t j) { return b[i] == a[j] && DifferingCells(before[i], after[j], width) == 0; };
  // longest[i][j]: of before's rows from i and after's from j.
  std::vector<std::vector<int>> longest(n + 1, std::vector<int>(m + 1, 0));
  for (size_t i = n; i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      longest[i][j] = b[i] == a[j] ? longest[i + 1][j + 1] + 1 : std::max(longest[i + 1][j], longest[i][j + 1]);
    }
  }
  std::vector<std::pair<size_t, size_t>> pairs;
  for (size_t i = 0, j = 0; i < n && j < m;) {
    if (same(i, j)) {
      pairs.emplace_back(i++, j++);
    } else if (longest[i + 1][j] >= longest[i][j + 1]) {
      ++i;
    } else {
      ++j;
    }
  }
  return pairs;
}

void Pair(SheetChanges& changes, size_t beforeRow, size_t afterRow) {
  changes.afterRowOf[beforeRow] = static_cast<int>(afterRow) + 1;
  changes.beforeRowOf[afterRow] = static_cast<int>(beforeRow) + 1;
}

// Rows [first, last) of one reading.
struct Span {
  size_t first = 0;
  size_t last = 0;
  size_t size() const { return last - first; }
};

// The rows between two pairs of same rows: as many pairs, in order, as the
// shorter side has rows, leaving out the rows of the longer side that make
// the pairs differ least (in cells; on a tie, the later rows); in plain order
// where that is too much to weigh.
void PairGap(SheetChanges& changes, const SheetTable& before, const SheetTable& after, Span b, Span a,
             size_t width) {
  const bool beforeLonger = b.size() >= a.size();
  const size_t p = std::max(b.size(), a.size()), q = std::min(b.size(), a.size());
  // i: a row of the longer side, j: of the shorter, both from the gap's start.
  const auto rows = [&](size_t i, size_t j) {
    return beforeLonger ? std::pair{b.first + i, a.first + j} : std::pair{b.first + j, a.first + i};
  };
  const auto cost = [&](size_t i, size_t j) {
    const auto [beforeRow, afterRow] = rows(i, j);
    return DifferingCells(before[beforeRow], after[afterRow], width);
  };
  const auto pair = [&](size_t i, size_t j) {
    const auto [beforeRow, afterRow] = rows(i, j);
    Pair(changes, beforeRow, afterRow);
  };
  if (static_cast<std::uint64_t>(p) * q * std::max<size_t>(width, 1) > kMostCellPairsWeighed) {
    for (size_t j = 0; j < q; ++j) pair(j, j);
    return;
  }
  // cheapest[i][j]: the least cost of pairing the shorter side's first j rows within the longer side's first i.
  constexpr size_t kNever = SIZE_MAX / 2;
  std::vector<std::vector<size_t>> cheapest(p + 1, std::vector<size_t>(q + 1, kNever));
  for (size_t i = 0; i <= p; ++i) cheapest[i][0] = 0;
  for (size_t i = 1; i <= p; ++i) {
    for (size_t j = 1; j <= std::min(i, q); ++j) {
      cheapest[i][j] = std::min(cheapest[i - 1][j], cheapest[i - 1][j - 1] + cost(i - 1, j - 1));
    }
  }
  for (size_t i = p, j = q; j > 0; --i) {
    if (cheapest[i - 1][j] == cheapest[i][j]) continue;  // row i - 1 of the longer side left out
    pair(i - 1, j - 1);
    --j;
  }
}

// Rows are paired in order on both sides, so both lists come out in order.
void MarkCells(SheetChanges& changes, const SheetTable& before, const SheetTable& after, size_t width) {
  for (size_t b = 0; b < before.size(); ++b) {
    const int a = changes.afterRowOf[b];
    if (a == 0) continue;
    for (size_t column = 0; column < width; ++column) {
      if (CellOf(before[b], column) == CellOf(after[static_cast<size_t>(a - 1)], column)) continue;
      changes.before.push_back({static_cast<int>(b) + 1, static_cast<int>(column) + 1});
      changes.after.push_back({a, static_cast<int>(column) + 1});
    }
  }
}

}  // namespace

int SheetChanges::inserted() const { return static_cast<int>(std::count(beforeRowOf.begin(), beforeRowOf.end(), 0)); }
int SheetChanges::deleted() const { return static_cast<int>(std::count(afterRowOf.begin(), afterRowOf.end(), 0)); }

SheetChanges CompareSheets(const SheetTable& before, const SheetTable& after) {
  const size_t width = std::max(Width(before), Width(after));
  SheetChanges changes;
  changes.afterRowOf.assign(before.size(), 0);
  changes.beforeRowOf.assign(after.size(), 0);
  // The same rows, with an end pair after the last, then the gaps between them.
  auto same = SameRows(before, after, width);
  same.emplace_back(before.size(), after.size());
  size_t b = 0, a = 0;
  for (const auto& [nextBefore, nextAfter] : same) {
    PairGap(changes, before, after, {b, nextBefore}, {a, nextAfter}, width);
    b = nextBefore;
    a = nextAfter;
    if (b < before.size() && a < after.size()) Pair(changes, b++, a++);
  }
  MarkCells(changes, before, after, width);
  return changes;
}

SampleGrid GridOfSheet(const SheetTable& sheet) {
  const size_t columns = Width(sheet);
  SampleGrid grid;
  grid.cells.assign(sheet.size() + 1, std::vector<std::string>(columns + 1));
  for (size_t row = 0; row < sheet.size(); ++row) {
    std::copy(sheet[row].begin(), sheet[row].end(), grid.cells[row + 1].begin() + 1);
  }
  return grid;
}

}  // namespace sheetwise::ui

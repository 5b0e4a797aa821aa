#include "verify/SaveComparison.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/CellAddress.h"
#include "host/HostError.h"
#include "host/Translate.h"
#include "verify/CellLooks.h"
#include "verify/ContainerEntries.h"
#include "verify/FormulaDependencies.h"
#include "verify/MacroProject.h"
#include "verify/RuleChanges.h"

namespace sheetwise::verify {
namespace {

const char* Visibility(int v) {
  switch (v) {
    case 0: return Tr("visible");
    case 1: return Tr("hidden");
    default: return Tr("very hidden");
  }
}

const char* SheetType(int t) {
  switch (t) {
    case 0: return Tr("worksheet");
    case 1: return Tr("macro sheet");
    case 2: return Tr("chart sheet");
    default: return Tr("module");
  }
}

// One line of a difference: its place, and what it was → what it is now.
std::string SheetChange(const std::string& sheet, const std::string& before, const std::string& after) {
  return Tr("sheet \"%s\": %s → %s", {sheet, before, after});
}

// A formula's result computed again may differ in its last digits only.
bool Close(const std::string& a, const std::string& b) {
  const double x = std::strtod(a.c_str(), nullptr);
  const double y = std::strtod(b.c_str(), nullptr);
  return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)) || std::fabs(x - y) < 1e-12;
}

const char* FormatName(FileFormat format) {
  switch (format) {
    case FileFormat::Xls: return Tr("Excel 97-2003");
    case FileFormat::Xlsx: return Tr("Office Open XML");
    default: return Tr("OpenDocument");
  }
}

std::string AreaText(const CellArea& a) {
  return host::ColumnLetters(a.firstColumn) + std::to_string(a.firstRow) + ":" + host::ColumnLetters(a.lastColumn) +
         std::to_string(a.lastRow);
}

// A link as a user tells it: its target, and its tip where it has one.
std::string LinkText(const Hyperlink& link) {
  return link.tip.empty() ? "\"" + link.target + "\"" : Tr("\"%s\" (tip \"%s\")", {link.target, link.tip});
}

// A width in 1/256 of a character as characters, to two places at most: "8", "8.43".
std::string Characters(int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", width / 256.0);
  std::string shown = text;
  shown.erase(shown.find_last_not_of('0') + 1);
  if (shown.back() == '.') shown.pop_back();
  return shown;
}

// Two widths alike within the office's rounding; a default in characters
// alike an explicit width that adds less than one character to it.
bool SameWidth(ColumnWidth a, ColumnWidth b) {
  if (a.unpadded == b.unpadded) return std::abs(a.width - b.width) <= std::max(8, a.width / 100);
  const auto [unpadded, padded] = a.unpadded ? std::pair{a.width, b.width} : std::pair{b.width, a.width};
  return padded > unpadded && padded < unpadded + 256;
}

std::string CellName(Position at) { return host::CellName(at.row, at.column); }

// Whether a merged area hides the cell under its first one.
bool Covered(Position at, const std::vector<CellArea>& merged) {
  return std::ranges::any_of(merged, [&](const CellArea& m) {
    return at.row >= m.firstRow && at.row <= m.lastRow && at.column >= m.firstColumn && at.column <= m.lastColumn &&
           (at.row != m.firstRow || at.column != m.firstColumn);
  });
}

// Each cell of each link's area that shows, with its link; so many cells at most.
std::multimap<Position, const Hyperlink*> LinkedCells(const SheetContent& sheet) {
  constexpr int64_t kMostCells = 1 << 18;
  std::multimap<Position, const Hyperlink*> cells;
  int64_t count = 0;
  for (const Hyperlink& link : sheet.hyperlinks) {
    const CellArea& a = link.area;
    for (int row = a.firstRow; row <= a.lastRow && count < kMostCells; ++row) {
      for (int column = a.firstColumn; column <= a.lastColumn && count < kMostCells; ++column, ++count) {
        if (!Covered({row, column}, sheet.merged)) cells.emplace(Position{row, column}, &link);
      }
    }
  }
  return cells;
}

// A source area followed through the edits of its sheet: rows inserted
// inside it widen it, deleted ones narrow it (none when nothing is left);
// reached when an edit's cells cover all of it or a row or column of it was deleted.
struct MovedArea {
  std::optional<CellArea> area;
  bool reached = false;
};

// One row or column deleted from an area's span first..last: a span holding
// it closes up (and is reached), one after it moves back. False when nothing
// of the span is left.
bool DeleteFromSpan(int line, int& first, int& last, bool& reached) {
  if (line >= first && line <= last) {
    reached = true;
    if (first == last) return false;
    --last;
  } else if (line < first) {
    --first, --last;
  }
  return true;
}

MovedArea MapAreaForward(CellArea a, const std::vector<const Edit*>& edits) {
  bool reached = false;
  for (const Edit* e : edits) {
    switch (e->kind) {
      case Edit::Kind::InsertRow:
        if (e->first <= a.firstRow) ++a.firstRow;
        if (e->first <= a.lastRow) ++a.lastRow;
        break;
      case Edit::Kind::DeleteRow:
        if (!DeleteFromSpan(e->first, a.firstRow, a.lastRow, reached)) return {std::nullopt, true};
        break;
      case Edit::Kind::DeleteColumn:
        if (!DeleteFromSpan(e->first, a.firstColumn, a.lastColumn, reached)) return {std::nullopt, true};
        break;
      case Edit::Kind::Cells:
        // Only a merge over all of its cells may take a merged area's place;
        // writing or clearing cells of it leaves it, and a merge that reaches
        // into it from outside may not undo it.
        reached = reached || (e->firstRow <= a.firstRow && e->lastRow >= a.lastRow && e->firstColumn <= a.firstColumn &&
                              e->lastColumn >= a.lastColumn);
        break;
      case Edit::Kind::Rename:
      case Edit::Kind::RowSize:
      case Edit::Kind::ColumnSize:
        break;
    }
  }
  return {a, reached};
}

// How many runs, or the first run that differs, described.
std::string RunsDifference(const std::string& sheet, const std::string& cell, const std::vector<TextRun>& before,
                           const std::vector<TextRun>& after) {
  const auto count = [](const std::vector<TextRun>& runs) { return std::to_string(std::max<size_t>(runs.size(), 1)); };
  if (before.size() != after.size()) return Tr("sheet \"%s\", cell %s: font runs %s → %s", {sheet, cell, count(before), count(after)});
  const auto [a, b] = std::ranges::mismatch(before, after);
  const auto run = [](const TextRun& r) { return Tr("%s from character %s", {r.font, std::to_string(r.first + 1)}); };
  return Tr("sheet \"%s\", cell %s: font run %s: %s → %s",
            {sheet, cell, std::to_string(a - before.begin() + 1), run(*a), run(*b)});
}

using PivotTable = SheetContent::PivotTable;

class Comparison {
 public:
  Comparison(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint, size_t shown)
      : source_(source), saved_(saved), footprint_(footprint), shown_(shown) {}

  Differences run() {
    if (source_.format != saved_.format) {
      add(Tr("file format: %s → %s", {FormatName(source_.format), FormatName(saved_.format)}));
    }
    if (source_.sheets.size() != saved_.sheets.size()) {
      add(Tr("number of sheets: %s → %s",
             {std::to_string(source_.sheets.size()), std::to_string(saved_.sheets.size())}));
    }
    const auto editsBySheet = EditsBySheet(source_, footprint_);
    const auto mayChange = FormulasThatMayChange(source_, editsBySheet);
    const size_t n = std::min(source_.sheets.size(), saved_.sheets.size());
    for (size_t i = 0; i < n; ++i) {
      compareSheet(source_.sheets[i], saved_.sheets[i], editsBySheet[i]);
      compareCells(source_.sheets[i], saved_.sheets[i], editsBySheet[i], mayChange[i]);
      compareBlankFills(source_.sheets[i], saved_.sheets[i], editsBySheet[i]);
      compareMerged(source_.sheets[i], saved_.sheets[i], editsBySheet[i]);
      compareHidden(source_.sheets[i], saved_.sheets[i], editsBySheet[i], true);
      compareHidden(source_.sheets[i], saved_.sheets[i], editsBySheet[i], false);
      compareHyperlinks(source_.sheets[i], saved_.sheets[i], editsBySheet[i]);
      compareColumnWidths(source_.sheets[i], saved_.sheets[i], editsBySheet[i]);
      reportRebuiltPivotTables(saved_.sheets[i]);
    }
    if (auto change = MacroProjectChange(source_.macroStorage, saved_.macroStorage)) add(std::move(*change));
    if (source_.format == FileFormat::Xls && saved_.format == FileFormat::Xls) compareNames();
    compareEntries();
    compareParts(editsBySheet);
    return std::move(result_);
  }

 private:
  void add(std::string text) {
    addMade([&] { return std::move(text); });
  }
  // The same, making the text only when it is among those shown.
  template <class MakeText>
  void addMade(MakeText make) {
    if (pivotTable_) {
      const auto same = [&](const PivotTable* t) { return t->name == pivotTable_->name; };
      if (std::ranges::none_of(rebuilt_, same)) rebuilt_.push_back(pivotTable_);
      return;
    }
    if (result_.first.size() < shown_) result_.first.push_back(make());
    ++result_.count;
  }

  void compareSheet(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    std::string name = a.name;
    for (const Edit* e : edits) {
      if (e->kind == Edit::Kind::Rename) name = e->newName;
    }
    if (b.name != name) add(Tr("sheet \"%s\": name \"%s\" → \"%s\"", {a.name, name, b.name}));
    if (a.visibility != b.visibility) add(SheetChange(a.name, Visibility(a.visibility), Visibility(b.visibility)));
    if (a.type != b.type) add(SheetChange(a.name, SheetType(a.type), SheetType(b.type)));
    if (a.frozenAt != b.frozenAt) {
      const auto panes = [](const std::string& at) { return at.empty() ? std::string(Tr("none")) : at; };
      add(Tr("sheet \"%s\": panes frozen at %s → %s", {a.name, panes(a.frozenAt), panes(b.frozenAt)}));
    }
  }

  // Formulas in mayChange may compute other results once the edits are made.
  void compareCells(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits,
                    const std::set<Position>& mayChange) {
    static const CellValue kEmpty;
    std::vector<Position> seen;  // sorted once filled: a set's node per cell costs more
    seen.reserve(b.cells.size());
    // Edits keep the order of the cells they move: the source's cell is most
    // often the one after the last found, looked at before searching.
    auto next = a.cells.begin();
    for (const auto& [key, saved] : b.cells) {
      const Position at{key.first, key.second};
      const Position from = MapBack(at, edits);
      if (from.row == 0) continue;
      seen.push_back(from);
      const std::pair<int, int> source{from.row, from.column};
      const auto it = next != a.cells.end() && next->first == source ? next : a.cells.find(source);
      const bool found = it != a.cells.end();
      pivotTable_ = PivotTableAt(a, b, from, at);
      compareCell(b.name, at, found ? it->second : kEmpty, saved, mayChange.count(from) > 0);
      pivotTable_ = nullptr;
      if (found) next = std::next(it);
    }
    if (!std::is_sorted(seen.begin(), seen.end())) std::sort(seen.begin(), seen.end());
    for (const auto& [key, before] : a.cells) {
      const Position from{key.first, key.second};
      if (before.text.empty() || std::binary_search(seen.begin(), seen.end(), from)) continue;
      const Position at = MapForward(from, edits);
      if (at.row == 0) continue;
      pivotTable_ = PivotTableAt(a, b, from, at);
      compareCell(b.name, at, before, kEmpty, mayChange.count(from) > 0);
      pivotTable_ = nullptr;
    }
  }

  void compareCell(const std::string& sheet, Position at, const CellValue& before, const CellValue& after,
                   bool resultMayChange) {
    const auto cell = [&] { return host::ColumnLetters(at.column) + std::to_string(at.row); };
    const bool sameValue =
        before.kind == after.kind && before.formula == after.formula &&
        (before.text == after.text || (before.formula && before.kind == ValueKind::Number && Close(before.text, after.text)));
    // A result may change; a formula that went, or came, is a difference.
    const bool mayChange = before.formula && after.formula && (before.volatileFormula || resultMayChange);
    if (!sameValue && !mayChange) {
      addMade([&] {
        return Tr("sheet \"%s\", cell %s: %s → %s", {sheet, cell(), DescribeValue(before), DescribeValue(after)});
      });
    }
    if (sameValue && before.runs != after.runs) {
      addMade([&] { return RunsDifference(sheet, cell(), before.runs, after.runs); });
    }
    // A text whose runs say every character's font shows no other: the cell's own is unseen.
    const bool runsCoverText = !before.runs.empty() && before.runs == after.runs;
    if (!before.font.empty() && !after.font.empty() && before.font != after.font && !runsCoverText) {
      addMade([&] { return Tr("sheet \"%s\", cell %s: font %s → %s", {sheet, cell(), before.font, after.font}); });
    }
    if (!sameValue && !mayChange) return;
    if (!SameFillAsSeen(before.fill, after.fill)) {
      addMade([&] { return FillChange(sheet, cell(), before.fill, after.fill); });
    }
    // A number format shows on numbers and truth values; on a text, as a rule, not.
    const bool formatShows = after.kind == ValueKind::Number || after.kind == ValueKind::Bool;
    if (formatShows && before.numberFormat != after.numberFormat) {
      addMade([&] {
        const auto code = [](const std::string& f) { return f.empty() ? std::string(Tr("General")) : "\"" + f + "\""; };
        return Tr("sheet \"%s\", cell %s: number format %s → %s",
                  {sheet, cell(), code(before.numberFormat), code(after.numberFormat)});
      });
    }
  }

  static std::string FillChange(const std::string& sheet, const std::string& cell, const std::string& before,
                                const std::string& after) {
    const auto fill = [](const std::string& f) { return f.empty() ? std::string(Tr("none")) : f; };
    return Tr("sheet \"%s\", cell %s: fill %s → %s", {sheet, cell, fill(before), fill(after)});
  }

  // The fill a cell shows, whether it holds a value or not, written or not.
  static const std::string& FillAt(const SheetContent& sheet, Position at) {
    static const std::string kNone;
    const std::pair<int, int> key{at.row, at.column};
    if (const auto it = sheet.cells.find(key); it != sheet.cells.end()) return it->second.fill;
    if (const auto it = sheet.blankFills.find(key); it != sheet.blankFills.end()) return it->second;
    if (const auto it = sheet.rowFills.find(at.row); it != sheet.rowFills.end()) return it->second;
    for (const auto& [columns, fill] : sheet.columnFills) {
      if (at.column >= columns.first && at.column <= columns.second) return fill;
    }
    return kNone;
  }

  // Blank cells the edits did not reach show the fill they showed; none came
  // that the rules did not make. Cells with values are compared with them;
  // cells a merged area covers show none and are left out.
  void compareBlankFills(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    for (const auto& [key, fill] : a.blankFills) {
      const Position at = MapForward({key.first, key.second}, edits);
      if (at.row == 0 || b.cells.count({at.row, at.column}) || Covered(at, b.merged)) continue;
      if (const std::string& shown = FillAt(b, at); !SameFillAsSeen(shown, fill)) {
        addMade([&] { return FillChange(b.name, CellName(at), fill, shown); });
      }
    }
    for (const auto& [key, fill] : b.blankFills) {
      const Position from = MapBack({key.first, key.second}, edits);
      if (from.row == 0 || a.blankFills.count({from.row, from.column}) || a.cells.count({from.row, from.column}) ||
          Covered({key.first, key.second}, b.merged)) {
        continue;
      }
      if (const std::string& shown = FillAt(a, from); !SameFillAsSeen(shown, fill)) {
        addMade([&] { return FillChange(b.name, CellName({key.first, key.second}), shown, fill); });
      }
    }
  }

  // Merged areas the edits did not reach are where they were, moved with the
  // rows and columns; none came that the rules did not make or move.
  void compareMerged(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    const std::set<CellArea> saved(b.merged.begin(), b.merged.end());
    std::set<CellArea> moved;
    for (const CellArea& area : a.merged) {
      const MovedArea m = MapAreaForward(area, edits);
      if (m.area) moved.insert(*m.area);
      if (m.area && !m.reached && !saved.count(*m.area)) {
        pivotTable_ = PivotTableAt(a, b, {area.firstRow, area.firstColumn}, {m.area->firstRow, m.area->firstColumn});
        add(Tr("sheet \"%s\", merged area %s: present → lost", {b.name, AreaText(*m.area)}));
        pivotTable_ = nullptr;
      }
    }
    for (const CellArea& area : b.merged) {
      if (moved.count(area)) continue;
      const Position first = MapBack({area.firstRow, area.firstColumn}, edits);
      const Position last = MapBack({area.lastRow, area.lastColumn}, edits);
      if (first.row == 0 || last.row == 0) continue;  // the rules made it
      pivotTable_ = PivotTableAt(a, b, first, {area.firstRow, area.firstColumn});
      add(Tr("sheet \"%s\", merged area %s: none → present", {b.name, AreaText(area)}));
      pivotTable_ = nullptr;
    }
  }

  // Rows (rows) or columns hidden where no rule set their size, followed
  // through the inserts and deletes; none hidden or shown that was not.
  void compareHidden(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits, bool rows) {
    const auto lines = [rows](const SheetContent& sheet) {
      std::vector<int> hidden;
      for (const auto& [first, last] : rows ? sheet.hiddenRows : sheet.hiddenColumns) {
        for (int line = first; line <= last; ++line) hidden.push_back(line);
      }
      return hidden;
    };
    std::vector<int> expected, found;
    for (const int line : lines(a)) {
      if (const int moved = LineForward(line, rows, edits)) expected.push_back(moved);
    }
    for (const int line : lines(b)) {
      if (LineBack(line, rows, edits)) found.push_back(line);
    }
    for (auto* list : {&expected, &found}) {
      std::sort(list->begin(), list->end());
      list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    const auto name = [rows](int line) {
      return rows ? Tr("row %s", {std::to_string(line)}) : Tr("column %s", {host::ColumnLetters(line)});
    };
    std::vector<int> changed;
    std::ranges::set_symmetric_difference(expected, found, std::back_inserter(changed));
    for (const int line : changed) {
      const bool wasHidden = std::binary_search(expected.begin(), expected.end(), line);
      addMade([&] {
        return Tr("sheet \"%s\", %s: %s → %s", {b.name, name(line), wasHidden ? Tr("hidden") : Tr("shown"),
                                                 wasHidden ? Tr("shown") : Tr("hidden")});
      });
    }
  }

  // Links on cells the edits did not reach lead where they led, with the same
  // tips; none came that the rules did not make or move. Compared cell by
  // cell (the office writes a link over several cells as one per cell), the
  // cells a merged area covers left out.
  void compareHyperlinks(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    std::multimap<Position, const Hyperlink*> saved = LinkedCells(b);
    for (const auto& [from, link] : LinkedCells(a)) {
      const MovedArea m = MapAreaForward({from.row, from.column, from.row, from.column}, edits);
      if (!m.area) continue;
      const Position at{m.area->firstRow, m.area->firstColumn};
      const auto [first, last] = saved.equal_range(at);
      const auto same = std::find_if(first, last, [&](const auto& s) {
        return s.second->target == link->target && s.second->tip == link->tip;
      });
      const auto taken = same != last ? same : first;
      if (!m.reached && taken == last) {
        add(Tr("sheet \"%s\", hyperlink at %s: %s → lost", {b.name, CellName(at), LinkText(*link)}));
      } else if (!m.reached && same == last) {
        add(Tr("sheet \"%s\", hyperlink at %s: %s → %s",
               {b.name, CellName(at), LinkText(*link), LinkText(*taken->second)}));
      }
      if (taken != last) saved.erase(taken);
    }
    for (const auto& [at, link] : saved) {
      const Position from = MapBack(at, edits);
      if (from.row == 0 || MapAreaForward({from.row, from.column, from.row, from.column}, edits).reached) continue;
      add(Tr("sheet \"%s\", hyperlink at %s: none → %s", {b.name, CellName(at), LinkText(*link)}));
    }
  }

  // Columns no rule sized are as wide as they were, followed through the
  // deleted columns; within a rounding of the office's units. Hidden ones
  // are compared as such. Neighbours that changed alike are told as one span.
  void compareColumnWidths(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    const auto hidden = [](const SheetContent& sheet, int column) {
      return std::ranges::any_of(sheet.hiddenColumns, [&](const auto& s) { return column >= s.first && column <= s.second; });
    };
    struct Span {
      int first, last;
      ColumnWidth before, after;
    };
    std::vector<Span> changed;
    for (int column = 1; column <= static_cast<int>(a.columnWidths.size()); ++column) {
      const int to = LineForward(column, false, edits);
      if (to == 0 || to > static_cast<int>(b.columnWidths.size()) || hidden(a, column) || hidden(b, to)) continue;
      const ColumnWidth before = a.columnWidths[static_cast<size_t>(column - 1)];
      const ColumnWidth after = b.columnWidths[static_cast<size_t>(to - 1)];
      if (SameWidth(before, after)) continue;
      if (!changed.empty() && changed.back().last + 1 == to && changed.back().before == before &&
          changed.back().after == after) {
        changed.back().last = to;
      } else {
        changed.push_back({to, to, before, after});
      }
    }
    for (const Span& s : changed) {
      const std::string columns = host::ColumnLetters(s.first) + (s.last > s.first ? ":" + host::ColumnLetters(s.last) : "");
      addMade([&] {
        return Tr("sheet \"%s\", column %s: width %s → %s characters",
                  {b.name, columns, Characters(s.before.width), Characters(s.after.width)});
      });
    }
  }

  // The defined names of the source are there, each on its sheet or the
  // workbook's, and no name came: one the office adds, such as a function
  // it writes under a name Excel would not know, is a difference.
  void compareNames() {
    using Key = std::pair<int, std::string>;  // sheet, name
    const auto keys = [](const XlsContent& book) {
      std::set<Key> names;
      for (const DefinedName& n : book.links.names) {
        if (n.readable) names.emplace(n.sheet, n.name);
      }
      return names;
    };
    const std::set<Key> before = keys(source_), after = keys(saved_);
    std::vector<Key> changed;
    std::ranges::set_symmetric_difference(before, after, std::back_inserter(changed));
    for (const auto& [sheet, name] : changed) {
      const bool lost = before.count({sheet, name}) > 0;
      const auto& sheets = saved_.sheets;
      const std::string place = sheet >= 0 && sheet < static_cast<int>(sheets.size())
                                    ? Tr("defined name \"%s\" of sheet \"%s\"", {name, sheets[static_cast<size_t>(sheet)].name})
                                    : Tr("defined name \"%s\"", {name});
      add(Tr("%s: %s → %s", {place, lost ? Tr("present") : Tr("none"), lost ? Tr("lost") : Tr("present")}));
    }
  }

  // Of each kind of part a user would miss, as many as the source held; of
  // those bound to cells, as many as the source held where no edit reached.
  void compareParts(const std::vector<std::vector<const Edit*>>& editsBySheet) {
    std::map<std::string, std::pair<size_t, size_t>> counts = {};  // kind -> before, after
    std::map<std::string, size_t> needed;  // of the source's, those no edit reached
    for (const auto& [kind, count] : source_.parts) counts[kind].first = needed[kind] = count;
    for (const auto& [kind, count] : saved_.parts) counts[kind].second = count;
    for (const AnchoredPart& p : source_.anchored) {
      ++counts[p.kind].first;
      const auto& edits = p.sheet >= 0 && p.sheet < static_cast<int>(editsBySheet.size())
                              ? editsBySheet[static_cast<size_t>(p.sheet)]
                              : std::vector<const Edit*>{};
      const bool untouched = p.areas.empty() || std::ranges::any_of(p.areas, [&](const CellArea& a) {
                               return !MapAreaForward(a, edits).reached;
                             });
      needed[p.kind] += untouched;
    }
    for (const AnchoredPart& p : saved_.anchored) ++counts[p.kind].second;
    for (const auto& [kind, count] : counts) {
      if (count.second < needed[kind]) {
        add(Tr("%s: %s → %s", {Tr(kind.c_str()), std::to_string(count.first), std::to_string(count.second)}));
      }
    }
  }

  // The pivot table a source cell (from) or a saved one (at) lies in; null
  // when none. A saved table over a source one is that table, laid out anew.
  static const PivotTable* PivotTableAt(const SheetContent& a, const SheetContent& b, Position from, Position at) {
    const auto covers = [](const CellArea& area, Position p) {
      return p.row >= area.firstRow && p.row <= area.lastRow && p.column >= area.firstColumn &&
             p.column <= area.lastColumn;
    };
    const auto overlap = [](const CellArea& x, const CellArea& y) {
      return x.firstRow <= y.lastRow && y.firstRow <= x.lastRow && x.firstColumn <= y.lastColumn &&
             y.firstColumn <= x.lastColumn;
    };
    for (const PivotTable& t : a.pivotTables) {
      if (covers(t.area, from)) return &t;
    }
    for (const PivotTable& t : b.pivotTables) {
      if (!covers(t.area, at)) continue;
      const auto over = [&](const PivotTable& s) { return overlap(s.area, t.area); };
      const auto source = std::ranges::find_if(a.pivotTables, over);
      return source != a.pivotTables.end() ? &*source : &t;
    }
    return nullptr;
  }

  // Pivot tables in which cells or merged areas differ: once each, as the office laid them out anew.
  void reportRebuiltPivotTables(const SheetContent& b) {
    for (const PivotTable* t : rebuilt_) {
      add(Tr("sheet \"%s\": pivot table \"%s\" at %s: laid out anew by the office (labels, layout or values differ)",
             {b.name, t->name, AreaText(t->area)}));
    }
    rebuilt_.clear();
  }

  // Every top-level stream and storage of the source is in the saved file,
  // another writer's own with the same bytes.
  void compareEntries() {
    std::multiset<std::string> saved;
    for (const std::string& name : saved_.entries) saved.insert(EntryKey(name));
    for (const std::string& name : source_.entries) {
      const std::string key = EntryKey(name);
      if (AccountedForApart(key)) continue;
      if (const auto it = saved.find(key); it != saved.end()) {
        saved.erase(it);
        if (BytesOf(source_, key) != BytesOf(saved_, key)) add(Tr("file part \"%s\": changed", {EntryName(name)}));
      } else {
        add(Tr("file part \"%s\": present → lost", {EntryName(name)}));
      }
    }
  }

  // The digest of an entry kept byte for byte; "" for one the office writes itself.
  static std::string BytesOf(const XlsContent& content, const std::string& key) {
    const auto it = content.entryBytes.find(key);
    return it == content.entryBytes.end() ? "" : it->second;
  }

  const XlsContent& source_;
  const XlsContent& saved_;
  const EditFootprint& footprint_;
  size_t shown_;
  Differences result_;
  // While set, what differs lies in this pivot table and is told as the table's (rebuilt_).
  const PivotTable* pivotTable_ = nullptr;
  std::vector<const PivotTable*> rebuilt_;
};

}  // namespace

std::vector<std::string> Differences::lines() const {
  std::vector<std::string> out = first;
  if (count > first.size()) {
    out.push_back(Tr("… %s more (%s in all)", {std::to_string(count - first.size()), std::to_string(count)}));
  }
  return out;
}

std::vector<std::vector<const Edit*>> EditsBySheet(const XlsContent& source, const EditFootprint& footprint) {
  std::vector<std::string> names;
  for (const SheetContent& sheet : source.sheets) names.push_back(sheet.name);
  return EditsBySheet(names, source.activeSheet, footprint);
}

Differences CompareSave(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint,
                        size_t shown) {
  return Comparison(source, saved, footprint, shown).run();
}

namespace {

// which: a message with one %s for the reason.
XlsContent ReadForCheck(const std::string& path, const char* which) {
  try {
    return ReadWorkbookContent(path);
  } catch (const std::exception& e) {
    throw host::HostError(Tr(which, {e.what()}));
  }
}

XlsContent ReadSource(const std::string& path) { return ReadForCheck(path, N_("the source cannot be read: %s")); }

XlsContent ReadSaved(const std::string& path) {
  return ReadForCheck(path, N_("the saved workbook cannot be read: %s"));
}

}  // namespace

Differences VerifySave(const std::string& source, const std::string& saved, const EditFootprint& footprint,
                       size_t shown) {
  const XlsContent before = ReadSource(source);
  return CompareSave(before, ReadSaved(saved), footprint, shown);
}

SaveReadings VerifySaveListingChanges(const std::string& source, const std::string& saved,
                                      const EditFootprint& footprint, size_t changesShown) {
  const XlsContent before = ReadSource(source);
  const XlsContent after = ReadSaved(saved);
  return {CompareSave(before, after, footprint), ListChanges(before, after, footprint, changesShown)};
}

}  // namespace sheetwise::verify

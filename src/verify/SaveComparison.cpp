#include "verify/SaveComparison.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "host/CellAddress.h"
#include "host/HostError.h"
#include "host/Translate.h"

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
  return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y));
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

class Comparison {
 public:
  Comparison(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint, size_t shown)
      : source_(source), saved_(saved), footprint_(footprint), shown_(shown) {}

  Differences run() {
    if (source_.sheets.size() != saved_.sheets.size()) {
      add(Tr("number of sheets: %s → %s",
             {std::to_string(source_.sheets.size()), std::to_string(saved_.sheets.size())}));
    }
    const size_t n = std::min(source_.sheets.size(), saved_.sheets.size());
    for (size_t i = 0; i < n; ++i) {
      const auto edits = editsOf(static_cast<int>(i));
      compareSheet(source_.sheets[i], saved_.sheets[i], edits);
      compareCells(source_.sheets[i], saved_.sheets[i], edits);
    }
    if (source_.macroStorage != saved_.macroStorage) {
      add(Tr("macros (VBA project): %s → %s", {source_.macroStorage.empty() ? Tr("none") : Tr("present"),
                                                 saved_.macroStorage.empty() ? Tr("lost") : Tr("changed")}));
    }
    return std::move(result_);
  }

 private:
  void add(std::string text) {
    if (result_.first.size() < shown_) result_.first.push_back(std::move(text));
    ++result_.count;
  }

  int sheetIndex(SheetRole role) const {
    const int count = static_cast<int>(source_.sheets.size());
    if (role == SheetRole::Active) return source_.activeSheet < count ? source_.activeSheet : 0;
    for (int i = 0; i < count; ++i) {
      if (SameIgnoringAsciiCase(source_.sheets[i].name, footprint_.namedSheet)) return i;
    }
    return -1;
  }

  std::vector<const Edit*> editsOf(int sheet) const {
    std::vector<const Edit*> edits;
    for (const Edit& e : footprint_.edits) {
      if (sheetIndex(e.sheet) == sheet) edits.push_back(&e);
    }
    return edits;
  }

  void compareSheet(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    std::string name = a.name;
    for (const Edit* e : edits) {
      if (e->kind == Edit::Kind::Rename) name = e->newName;
    }
    if (b.name != name) add(Tr("sheet \"%s\": name \"%s\" → \"%s\"", {a.name, name, b.name}));
    if (a.visibility != b.visibility) add(SheetChange(a.name, Visibility(a.visibility), Visibility(b.visibility)));
    if (a.type != b.type) add(SheetChange(a.name, SheetType(a.type), SheetType(b.type)));
  }

  void compareCells(const SheetContent& a, const SheetContent& b, const std::vector<const Edit*>& edits) {
    static const CellValue kEmpty;
    // Formulas may compute other results once values changed under them.
    const bool formulasMayChange = footprint_.changesValues();
    std::set<Position> seen;
    for (const auto& [key, saved] : b.cells) {
      const Position at{key.first, key.second};
      const Position from = MapBack(at, edits);
      if (from.row == 0) continue;
      seen.insert(from);
      const auto it = a.cells.find({from.row, from.column});
      compareCell(b.name, at, it == a.cells.end() ? kEmpty : it->second, saved, formulasMayChange);
    }
    for (const auto& [key, before] : a.cells) {
      const Position from{key.first, key.second};
      if (seen.count(from) || before.text.empty()) continue;
      const Position at = MapForward(from, edits);
      if (at.row == 0) continue;
      compareCell(b.name, at, before, kEmpty, formulasMayChange);
    }
  }

  void compareCell(const std::string& sheet, Position at, const CellValue& before, const CellValue& after,
                   bool formulasMayChange) {
    const std::string cell = host::ColumnLetters(at.column) + std::to_string(at.row);
    const bool sameValue =
        before.kind == after.kind &&
        (before.text == after.text || (before.formula && before.kind == ValueKind::Number && Close(before.text, after.text)));
    // A result may change; a formula that went, or came, is a difference.
    const bool mayChange = before.formula && after.formula && (before.volatileFormula || formulasMayChange);
    if (!sameValue && !mayChange) {
      add(Tr("sheet \"%s\", cell %s: %s → %s", {sheet, cell, DescribeValue(before), DescribeValue(after)}));
    }
    if (!before.font.empty() && !after.font.empty() && before.font != after.font) {
      add(Tr("sheet \"%s\", cell %s: font %s → %s", {sheet, cell, before.font, after.font}));
    }
  }

  const XlsContent& source_;
  const XlsContent& saved_;
  const EditFootprint& footprint_;
  size_t shown_;
  Differences result_;
};

}  // namespace

std::vector<std::string> Differences::lines() const {
  std::vector<std::string> out = first;
  if (count > first.size()) {
    out.push_back(Tr("… %s more (%s in all)", {std::to_string(count - first.size()), std::to_string(count)}));
  }
  return out;
}

Differences CompareSave(const XlsContent& source, const XlsContent& saved, const EditFootprint& footprint,
                        size_t shown) {
  return Comparison(source, saved, footprint, shown).run();
}

Differences VerifySave(const std::string& source, const std::string& saved, const EditFootprint& footprint,
                       size_t shown) {
  // which: a message with one %s for the reason.
  const auto read = [](const std::string& path, const char* which) {
    try {
      return ReadXlsContent(path);
    } catch (const std::exception& e) {
      throw host::HostError(Tr(which, {e.what()}));
    }
  };
  const XlsContent before = read(source, N_("the source cannot be read: %s"));
  return CompareSave(before, read(saved, N_("the saved workbook cannot be read: %s")), footprint, shown);
}

}  // namespace sheetwise::verify

#include "verify/FormulaTokens.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "verify/LittleEndian.h"

namespace sheetwise::verify {
namespace {

constexpr int kRows = 65536, kColumns = 256;

// Function numbers of the built-in functions that matter here.
bool IsVolatileFunction(uint16_t index) {
  switch (index) {
    case 63:   // RAND
    case 74:   // NOW
    case 78:   // OFFSET
    case 125:  // CELL
    case 148:  // INDIRECT
    case 221:  // TODAY
    case 244:  // INFO
      return true;
    default:
      return false;
  }
}

bool IsPositionalFunction(uint16_t index) {
  return index == 8 || index == 9 || index == 76 || index == 77;  // ROW, COLUMN, ROWS, COLUMNS
}

// Add-in functions (the analysis functions) whose result changes at every calculation.
bool IsVolatileAddIn(std::string name) {
  std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name == "RANDBETWEEN";
}

using Span = std::pair<int, int>;  // first and last, 1-based

class TokenReader {
 public:
  TokenReader(const std::vector<uint8_t>& tokens, const FormulaLinks& links, int sheetCount, FormulaPlace place)
      : t_(tokens), links_(links), sheetCount_(sheetCount), place_(place) {}

  FormulaReferences read() {
    while (at_ < t_.size() && !refs_.unknown) token();
    return std::move(refs_);
  }

 private:
  bool inName() const { return place_.row == 0; }

  // True when n more bytes follow the token's first byte; else the expression is cut short.
  bool has(size_t n) {
    if (at_ + n <= t_.size()) return true;
    refs_.unknown = true;
    return false;
  }

  void token() {
    const uint8_t ptg = t_[at_++];
    const uint8_t base = ptg >= 0x20 ? static_cast<uint8_t>((ptg & 0x1F) | 0x20) : ptg;
    if (base >= 0x03 && base <= 0x16) return;  // operators, parentheses, a missing argument
    switch (base) {
      case 0x17: text(); break;
      case 0x19: attribute(); break;
      case 0x1C: case 0x1D: skip(1); break;  // error, truth value
      case 0x1E: skip(2); break;             // integer
      case 0x1F: skip(8); break;             // number
      case 0x20: skip(7); break;             // array constant (its values follow the expression)
      case 0x21: if (has(2)) function(U16(&t_[at_])); skip(2); break;
      case 0x22: if (has(3)) function(U16(&t_[at_ + 1]) & 0x7FFF); skip(3); break;
      case 0x23: if (has(4)) name(U16(&t_[at_])); skip(4); break;
      case 0x24: if (has(4)) reference(at_, false, thisSheet()); skip(4); break;
      case 0x25: if (has(8)) area(at_, false, thisSheet()); skip(8); break;
      case 0x26: case 0x27: case 0x28: skip(6); break;  // the sub-expression follows as tokens
      case 0x29: skip(2); break;
      case 0x2A: skip(4); break;  // a reference made invalid: #REF! whatever the cells hold
      case 0x2B: skip(8); break;
      case 0x2C: if (has(4)) reference(at_, true, thisSheet()); skip(4); break;
      case 0x2D: if (has(8)) area(at_, true, thisSheet()); skip(8); break;
      case 0x39: if (has(6)) externName(U16(&t_[at_]), U16(&t_[at_ + 2])); skip(6); break;
      case 0x3A: if (has(6)) reference3d(false); skip(6); break;
      case 0x3B: if (has(10)) reference3d(true); skip(10); break;
      case 0x3C: skip(6); break;
      case 0x3D: skip(10); break;
      default: refs_.unknown = true; break;  // a table, a nested shared formula, or what this reader does not know
    }
  }

  void skip(size_t n) {
    if (has(n)) at_ += n;
  }

  void text() {
    if (!has(2)) return;
    const size_t count = t_[at_];
    const bool wide = t_[at_ + 1] & 1;
    skip(2 + count * (wide ? 2 : 1));
  }

  void attribute() {
    if (!has(3)) return;
    const uint8_t kind = t_[at_];
    if (kind & 0x01) refs_.volatileFunction = true;  // the expression holds a volatile function
    if (kind & 0x04) {                               // CHOOSE: a jump table follows
      const size_t cases = U16(&t_[at_ + 1]);
      skip(3 + 2 * (cases + 1));
    } else {
      skip(3);
    }
  }

  void function(uint16_t index) {
    if (IsVolatileFunction(index)) refs_.volatileFunction = true;
    if (IsPositionalFunction(index)) refs_.positional = true;
  }

  void name(uint16_t index) {
    if (index == 0 || index > links_.names.size()) {
      refs_.unknown = true;
    } else {
      refs_.names.push_back(index - 1u);
    }
  }

  void externName(uint16_t sheetRange, uint16_t index) {
    if (sheetRange >= links_.sheetRanges.size() || links_.sheetRanges[sheetRange].book >= links_.books.size()) {
      refs_.unknown = true;
      return;
    }
    const LinkedBook& book = links_.books[links_.sheetRanges[sheetRange].book];
    switch (book.kind) {
      case LinkedBook::Kind::Self:
        name(index);
        break;
      case LinkedBook::Kind::AddIn:
        if (index == 0 || index > book.externNames.size()) {
          refs_.unknown = true;
        } else if (IsVolatileAddIn(book.externNames[index - 1u])) {
          refs_.volatileFunction = true;
        }
        break;
      case LinkedBook::Kind::External:
        refs_.external = true;
        break;
    }
  }

  // The sheets of a reference without its own sheet: the formula's, or any for a name.
  Span thisSheet() const { return inName() ? Span{0, sheetCount_ - 1} : Span{place_.sheet, place_.sheet}; }

  // The sheets of an entry of the sheet reference table; none for another book.
  std::optional<Span> sheets(uint16_t sheetRange) {
    if (sheetRange >= links_.sheetRanges.size() || links_.sheetRanges[sheetRange].book >= links_.books.size()) {
      refs_.unknown = true;
      return std::nullopt;
    }
    const SheetRange& range = links_.sheetRanges[sheetRange];
    if (links_.books[range.book].kind != LinkedBook::Kind::Self) {
      refs_.external = true;
      return std::nullopt;
    }
    const int first = std::min(range.firstSheet, range.lastSheet), last = std::max(range.firstSheet, range.lastSheet);
    if (last >= sheetCount_) {  // a deleted sheet, or the book itself
      refs_.unknown = true;
      return std::nullopt;
    }
    return Span{first, last};
  }

  // A row as stored: absolute, an offset from the formula's cell (offset forms),
  // or relative in a name, which may then mean any row.
  Span row(uint16_t stored, bool relative, bool offset) const {
    if (!relative) return {stored + 1, stored + 1};
    if (inName()) return {1, kRows};
    if (!offset) return {stored + 1, stored + 1};
    const int r = ((place_.row - 1 + static_cast<int16_t>(stored)) % kRows + kRows) % kRows + 1;
    return {r, r};
  }
  Span column(uint16_t stored, bool offset) const {
    const int value = stored & 0xFF;
    if (!(stored & 0x4000)) return {value + 1, value + 1};
    if (inName()) return {1, kColumns};
    if (!offset) return {value + 1, value + 1};
    const int c = ((place_.column - 1 + static_cast<int8_t>(value)) % kColumns + kColumns) % kColumns + 1;
    return {c, c};
  }

  void reference(size_t at, bool offset, Span sheets) {
    const uint16_t columnField = U16(&t_[at + 2]);
    const Span r = row(U16(&t_[at]), columnField & 0x8000, offset);
    const Span c = column(columnField, offset);
    refs_.areas.push_back({sheets.first, sheets.second, r.first, r.second, c.first, c.second});
  }

  // A reference through the sheet reference table: a cell, or an area.
  void reference3d(bool isArea) {
    const auto on = sheets(U16(&t_[at_]));
    if (!on) return;
    if (isArea) {
      area(at_ + 2, false, *on);
    } else {
      reference(at_ + 2, false, *on);
    }
  }

  void area(size_t at, bool offset, Span sheets) {
    const uint16_t firstColumnField = U16(&t_[at + 4]), lastColumnField = U16(&t_[at + 6]);
    const Span r1 = row(U16(&t_[at]), firstColumnField & 0x8000, offset);
    const Span r2 = row(U16(&t_[at + 2]), lastColumnField & 0x8000, offset);
    const Span c1 = column(firstColumnField, offset), c2 = column(lastColumnField, offset);
    refs_.areas.push_back({sheets.first, sheets.second, std::min(r1.first, r2.first), std::max(r1.second, r2.second),
                           std::min(c1.first, c2.first), std::max(c1.second, c2.second)});
  }

  const std::vector<uint8_t>& t_;
  const FormulaLinks& links_;
  int sheetCount_;
  FormulaPlace place_;
  size_t at_ = 0;
  FormulaReferences refs_;
};

}  // namespace

bool SharedFormulaAnchor(const std::vector<uint8_t>& tokens, int& row, int& column) {
  if (tokens.size() < 5 || tokens[0] != 0x01) return false;
  row = U16(&tokens[1]) + 1;
  column = U16(&tokens[3]) + 1;
  return true;
}

FormulaReferences ReadFormulaTokens(const std::vector<uint8_t>& tokens, const FormulaLinks& links, int sheetCount,
                                    FormulaPlace place) {
  return TokenReader(tokens, links, sheetCount, place).read();
}

}  // namespace sheetwise::verify

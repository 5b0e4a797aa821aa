#include "verify/FormulaText.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace sheetwise::verify {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  std::ranges::transform(out, out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '.' || c == '\\' || c == '$' || c == '?' || u >= 0x80;
}

using Span = std::pair<int, int>;

// One coordinate of a reference: a row or a column, and whether a $ fixes it.
struct Coordinate {
  int value = 0;
  bool absolute = false;
};

// "$AB" or "AB": a column; false for anything else.
bool Column(std::string_view text, Coordinate& out) {
  out = {};
  if (!text.empty() && text[0] == '$') out.absolute = true, text.remove_prefix(1);
  if (text.empty() || text.size() > 3) return false;
  for (const char c : text) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    out.value = out.value * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  }
  return true;
}

bool Row(std::string_view text, Coordinate& out) {
  out = {};
  if (!text.empty() && text[0] == '$') out.absolute = true, text.remove_prefix(1);
  if (text.empty() || text.size() > 8) return false;
  for (const char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    out.value = out.value * 10 + (c - '0');
  }
  return out.value > 0;
}

// "$A$1", "A1": a column, then a row.
bool Cell(std::string_view text, Coordinate& row, Coordinate& column) {
  size_t i = text.starts_with("$") ? 1 : 0;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
  return Column(text.substr(0, i), column) && Row(text.substr(i), row);
}

class TextReader {
 public:
  TextReader(std::string_view text, FormulaSyntax syntax, const XlsContent& book, FormulaPlace place, int rowShift,
             int columnShift)
      : s_(text), syntax_(syntax), book_(book), place_(place), rowShift_(rowShift), columnShift_(columnShift) {}

  FormulaReferences read() {
    if (syntax_ == FormulaSyntax::Ods) {
      if (const auto colon = s_.find(':'); colon != std::string_view::npos && colon < 8 && s_.substr(0, colon).find_first_of("=[\"'(") == std::string_view::npos) {
        s_.remove_prefix(colon + 1);  // the namespace: "of:", "msoxl:"
      }
    }
    while (i_ < s_.size() && !refs_.unknown) step();
    return std::move(refs_);
  }

 private:
  bool inName() const { return place_.row == 0; }
  char at(size_t i) const { return i < s_.size() ? s_[i] : '\0'; }
  int sheetCount() const { return static_cast<int>(book_.sheets.size()); }
  Span thisSheet() const {
    if (inName() && place_.sheet < 0) return {0, sheetCount() - 1};
    return {place_.sheet, place_.sheet};
  }

  void step() {
    const char c = s_[i_];
    if (c == '"') return skipQuoted('"');
    if (c == '{') return skipArray();
    if (c == '#') return skipError();
    if (syntax_ == FormulaSyntax::Ods) {
      if (c == '[') return odsReference();
      if (c == '\'') return skipQuoted('\'');
    } else {
      if (c == '\'') return quotedSheet();
      if (c == '[') return bracket();
    }
    if (IsWordChar(c)) return word();
    ++i_;
  }

  void skipQuoted(char quote) {
    for (++i_; i_ < s_.size(); ++i_) {
      if (s_[i_] != quote) continue;
      if (at(i_ + 1) == quote) {
        ++i_;
        continue;
      }
      ++i_;
      return;
    }
  }

  void skipArray() {
    while (i_ < s_.size() && s_[i_] != '}') {
      if (s_[i_] == '"') {
        skipQuoted('"');
      } else {
        ++i_;
      }
    }
    ++i_;
  }

  // #N/A, #DIV/0!, #REF!, #NAME?: a constant.
  void skipError() {
    ++i_;
    while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '/' || s_[i_] == '_')) ++i_;
    if (at(i_) == '!' || at(i_) == '?') ++i_;
  }

  std::string_view readWord() {
    const size_t from = i_;
    while (i_ < s_.size() && IsWordChar(s_[i_])) ++i_;
    return s_.substr(from, i_ - from);
  }

  // The text between brackets, nested ones and quoted texts included; i_ after the closing one.
  std::string_view readBracket() {
    const size_t from = ++i_;
    int depth = 1;
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == '\'' || (c == '"' && syntax_ == FormulaSyntax::Ods)) {
        skipQuoted(c);
        continue;
      }
      if (c == '[') ++depth;
      if (c == ']' && --depth == 0) break;
      ++i_;
    }
    const std::string_view inside = s_.substr(from, i_ - from);
    ++i_;
    return inside;
  }

  std::optional<int> sheetIndex(std::string_view name) {
    const std::string wanted = Upper(name);
    for (int s = 0; s < sheetCount(); ++s) {
      if (Upper(book_.sheets[s].name) == wanted) return s;
    }
    refs_.unknown = true;  // a sheet that is not there: nothing to follow
    return std::nullopt;
  }

  void function(std::string_view name) {
    std::string upper = Upper(name);
    for (const char* prefix : {"_XLFN.", "_XLWS.", "COM.MICROSOFT.", "ORG.OPENOFFICE.", "ORG.LIBREOFFICE."}) {
      if (upper.starts_with(prefix)) upper.erase(0, std::string_view(prefix).size());
    }
    static const char* const kVolatile[] = {"NOW", "TODAY", "RAND", "RANDBETWEEN", "RANDARRAY", "OFFSET",
                                            "INDIRECT", "CELL", "INFO"};
    static const char* const kPositional[] = {"ROW", "COLUMN", "ROWS", "COLUMNS", "SHEET", "SHEETS"};
    for (const char* f : kVolatile) refs_.volatileFunction = refs_.volatileFunction || upper == f;
    for (const char* f : kPositional) refs_.positional = refs_.positional || upper == f;
    if (upper.starts_with("_XLL.")) refs_.unknown = true;  // an add-in's function
  }

  // A defined name, the sheet's own first; unknown when there is none.
  void name(std::string_view text, int sheet) {
    const std::string wanted = Upper(text);
    if (wanted == "TRUE" || wanted == "FALSE") return;
    std::optional<size_t> found;
    for (size_t n = 0; n < book_.links.names.size(); ++n) {
      const DefinedName& name = book_.links.names[n];
      if (Upper(name.name) != wanted) continue;
      if (name.sheet == sheet && sheet >= 0) {
        found = n;
        break;
      }
      if (name.sheet < 0 && !found) found = n;
    }
    if (found) {
      refs_.names.push_back(*found);
    } else {
      refs_.unknown = true;
    }
  }

  Span resolve(const Coordinate& c, int shift, int last) const {
    if (c.absolute) return {c.value, c.value};
    if (inName()) return {1, last};
    const int v = c.value + shift;
    return v < 1 || v > last ? Span{1, last} : Span{v, v};
  }

  void addArea(Span sheets, Span rows, Span columns) {
    refs_.areas.push_back({sheets.first, sheets.second, rows.first, rows.second, columns.first, columns.second});
  }

  // One piece of an A1 reference, or two around a colon, on the given sheets;
  // false when they are no reference.
  bool reference(std::string_view first, std::string_view second, Span sheets) {
    Coordinate r1, c1, r2, c2;
    const int lastRow = book_.lastRow, lastColumn = book_.lastColumn;
    if (Cell(first, r1, c1) && (second.empty() || Cell(second, r2, c2))) {
      if (second.empty()) r2 = r1, c2 = c1;
      const Span a = resolve(r1, rowShift_, lastRow), b = resolve(r2, rowShift_, lastRow);
      const Span x = resolve(c1, columnShift_, lastColumn), y = resolve(c2, columnShift_, lastColumn);
      addArea(sheets, {std::min(a.first, b.first), std::max(a.second, b.second)},
              {std::min(x.first, y.first), std::max(x.second, y.second)});
      return true;
    }
    if (second.empty()) return false;
    if (Column(first, c1) && Column(second, c2)) {
      const Span x = resolve(c1, columnShift_, lastColumn), y = resolve(c2, columnShift_, lastColumn);
      addArea(sheets, {1, lastRow}, {std::min(x.first, y.first), std::max(x.second, y.second)});
      return true;
    }
    if (Row(first, r1) && Row(second, r2)) {
      const Span a = resolve(r1, rowShift_, lastRow), b = resolve(r2, rowShift_, lastRow);
      addArea(sheets, {std::min(a.first, b.first), std::max(a.second, b.second)}, {1, lastColumn});
      return true;
    }
    return false;
  }

  // .xlsx: after "Sheet!" or "'Sheet'!": a reference, a name of that sheet, or #REF!.
  void afterSheet(Span sheets) {
    ++i_;  // '!'
    if (at(i_) == '#') return skipError();
    const std::string_view first = readWord();
    std::string_view second;
    if (at(i_) == ':') {
      ++i_;
      second = readWord();
    }
    if (!reference(first, second, sheets)) {
      if (!second.empty() || first.empty()) {
        refs_.unknown = true;
      } else {
        name(first, sheets.first);
      }
    }
  }

  void quotedSheet() {
    const size_t from = i_ + 1;
    skipQuoted('\'');
    std::string sheets;
    for (size_t k = from; k + 1 < i_; ++k) {
      sheets += s_[k];
      if (s_[k] == '\'') ++k;
    }
    if (at(i_) != '!') return;
    const auto colon = sheets.find(':');
    const auto first = sheetIndex(colon == std::string::npos ? sheets : sheets.substr(0, colon));
    const auto last = colon == std::string::npos ? first : sheetIndex(sheets.substr(colon + 1));
    if (!first || !last) return;
    afterSheet({std::min(*first, *last), std::max(*first, *last)});
  }

  // .xlsx: [1]Sheet!A1 or [1]!Name refer to another workbook; anything else
  // in brackets at a token's start belongs to a table ([@Column], [#This Row]).
  void bracket() {
    const std::string_view inside = readBracket();
    const bool book = !inside.empty() && std::ranges::all_of(inside, [](char c) {
      return std::isdigit(static_cast<unsigned char>(c));
    });
    if (!book && inside.find_first_of("./\\") == std::string_view::npos) {
      refs_.unknown = true;
      return;
    }
    refs_.external = true;
    // The sheet and the reference that follow are the other workbook's.
    if (at(i_) == '\'') skipQuoted('\'');
    readWord();
    if (at(i_) == ':') ++i_, readWord();
    if (at(i_) == '!') {
      ++i_;
      if (at(i_) == '#') return skipError();
      readWord();
      if (at(i_) == ':') ++i_, readWord();
    }
  }

  void word() {
    const std::string_view first = readWord();
    if (first.empty()) return void(++i_);
    const char next = at(i_);
    if (next == '(') return function(first);
    if (syntax_ == FormulaSyntax::Ods) {
      // A name: bare, or after "$$" as Excel writes it into OpenDocument.
      std::string_view bare = first;
      while (bare.starts_with("$")) bare.remove_prefix(1);
      if (!bare.empty() && !std::isdigit(static_cast<unsigned char>(bare[0])) && bare[0] != '.') name(bare, place_.sheet);
      return;
    }
    if (next == '!') {
      if (const auto s = sheetIndex(first)) afterSheet({*s, *s});
      return;
    }
    if (next == '[') {  // Table1[Column]
      refs_.unknown = true;
      return;
    }
    if (next == ':') {
      const size_t colon = i_++;
      const std::string_view second = readWord();
      if (at(i_) == '!') {  // Sheet1:Sheet3!A1
        const auto a = sheetIndex(first), b = sheetIndex(second);
        if (a && b) afterSheet({std::min(*a, *b), std::max(*a, *b)});
        return;
      }
      if (reference(first, second, thisSheet())) return;
      i_ = colon;  // two things around a range operator: each on its own
    }
    if (reference(first, {}, thisSheet())) return;
    if (std::isdigit(static_cast<unsigned char>(first[0])) || first[0] == '.') return;  // a number
    name(first, place_.sheet);
  }

  // .ods: "$Sheet.$A$1", "'Sheet 2'.B3", ".A1", ".A", ".3": a sheet (or none) and a place.
  struct OdsPart {
    std::optional<std::string> sheet;
    std::string_view place;
  };
  static OdsPart SplitOds(std::string_view text) {
    OdsPart part;
    if (text.starts_with("$")) text.remove_prefix(1);
    if (text.starts_with("'")) {
      std::string name;
      size_t k = 1;
      for (; k < text.size(); ++k) {
        if (text[k] == '\'') {
          if (k + 1 < text.size() && text[k + 1] == '\'') {
            name += '\'';
            ++k;
            continue;
          }
          break;
        }
        name += text[k];
      }
      part.sheet = name;
      text.remove_prefix(std::min(k + 1, text.size()));
    } else if (const auto dot = text.find('.'); dot != std::string_view::npos && dot > 0) {
      part.sheet = std::string(text.substr(0, dot));
      text.remove_prefix(dot);
    }
    if (text.starts_with(".")) text.remove_prefix(1);
    part.place = text;
    return part;
  }

  void odsReference() {
    const std::string_view inside = readBracket();
    if (inside.find("#REF!") != std::string_view::npos) return;  // #REF! whatever the cells hold
    // Another file: 'file:///…'#$Sheet1.A1
    bool quoted = false;
    for (const char c : inside) {
      if (c == '\'') quoted = !quoted;
      if (c == '#' && !quoted) {
        refs_.external = true;
        return;
      }
    }
    size_t colon = std::string_view::npos;
    quoted = false;
    for (size_t k = 0; k < inside.size(); ++k) {
      if (inside[k] == '\'') quoted = !quoted;
      if (inside[k] == ':' && !quoted) {
        colon = k;
        break;
      }
    }
    const OdsPart a = SplitOds(inside.substr(0, colon));
    const OdsPart b = colon == std::string_view::npos ? a : SplitOds(inside.substr(colon + 1));
    Span sheets = thisSheet();
    if (a.sheet) {
      const auto first = sheetIndex(*a.sheet);
      const auto last = b.sheet ? sheetIndex(*b.sheet) : first;
      if (!first || !last) return;
      sheets = {std::min(*first, *last), std::max(*first, *last)};
    }
    if (!reference(a.place, colon == std::string_view::npos ? std::string_view{} : b.place, sheets)) {
      refs_.unknown = true;
    }
  }

  std::string_view s_;
  FormulaSyntax syntax_;
  const XlsContent& book_;
  FormulaPlace place_;
  int rowShift_, columnShift_;
  size_t i_ = 0;
  FormulaReferences refs_;
};

}  // namespace

FormulaReferences ReadFormulaText(std::string_view text, FormulaSyntax syntax, const XlsContent& book,
                                  FormulaPlace place, int rowShift, int columnShift) {
  return TextReader(text, syntax, book, place, rowShift, columnShift).read();
}

}  // namespace sheetwise::verify

// .ods read from its zip parts (content.xml, styles.xml, settings.xml,
// META-INF/manifest.xml) without the office: what XlsContent.h describes.
// Repeated rows and columns are followed by their counts; blank ones are
// never held, and repeated values are counted against the budget before
// they are held, so a crafted repeat count fails the reading instead of
// exhausting memory.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "host/CellAddress.h"
#include "host/HostError.h"
#include "host/Translate.h"
#include "rules/Utf8Text.h"
#include "verify/CellLooks.h"
#include "verify/FontFaces.h"
#include "verify/Hyperlinks.h"
#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::verify {

namespace {
using host::HostError;

constexpr int64_t kLastRow = 1048576, kLastColumn = 16384;
// The most blank cells one element (its columns times its row's repeats) may
// stand for and still have its fill compared: a fill over a whole row or column
// is a style of that row or column, not of cells written one by one.
constexpr int64_t kMostBlankFilledCells = 4096;

bool IsErrorText(const std::string& text) {
  static const char* const kErrors[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"};
  for (const char* e : kErrors) {
    if (text == e) return true;
  }
  return text.starts_with("Err:");
}

// Days from 1970-01-01 to a civil date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// "2020-01-31" or "2020-01-31T12:30:00.5": days (and their fraction) since 1970.
std::optional<double> DateDays(const std::string& text) {
  int y = 0, m = 0, d = 0, hh = 0, mm = 0;
  double ss = 0;
  const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &m, &d, &hh, &mm, &ss);
  if (n < 3) return std::nullopt;
  return static_cast<double>(DaysFromCivil(y, m, d)) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

// "PT12H30M15S": days.
double Duration(const std::string& text) {
  double days = 0, number = 0, fraction = 0;
  bool inFraction = false, negative = false, inTime = false;
  for (const char c : text) {
    if (c == '-') negative = true;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      if (inFraction) {
        number += (c - '0') * (fraction /= 10);
      } else {
        number = number * 10 + (c - '0');
      }
      continue;
    }
    if (c == '.') {
      inFraction = true, fraction = 1;
      continue;
    }
    if (c == 'T') inTime = true;
    if (c == 'D') days += number;
    if (c == 'H') days += number / 24;
    if (c == 'M' && inTime) days += number / 1440;
    if (c == 'S') days += number / 86400;
    number = 0, inFraction = false;
  }
  return negative ? -days : days;
}

// Text properties as a style states them; what it leaves unsaid comes from its parent.
struct TextProps {
  std::optional<std::string> name;
  std::optional<double> points;
  std::optional<bool> bold, italic, strikeout;
  std::optional<std::string> underline;
  std::optional<int> script;
  std::optional<uint32_t> rgb;
  void under(const TextProps& p) {
    if (!name) name = p.name;
    if (!points) points = p.points;
    if (!bold) bold = p.bold;
    if (!italic) italic = p.italic;
    if (!strikeout) strikeout = p.strikeout;
    if (!underline) underline = p.underline;
    if (!script) script = p.script;
    if (!rgb) rgb = p.rgb;
  }
  FaceProperties face() const {
    FaceProperties f;
    f.name = name.value_or("");
    f.points = points.value_or(10);
    f.bold = bold.value_or(false), f.italic = italic.value_or(false), f.strikeout = strikeout.value_or(false);
    f.underline = underline.value_or("");
    f.script = script.value_or(0);
    f.rgb = rgb.value_or(0);
    return f;
  }
};

struct Style {
  std::string parent;
  TextProps text;
  bool hiddenTable = false;
  std::optional<std::string> background;  // "#rrggbb" or "transparent"
  std::optional<std::string> dataStyle;   // its number format: the part naming it and its name ("content.xml|N1")
};

// The kinds of data style (number format) a cell style may name.
bool IsDataStyle(const std::string& element) {
  static const char* const kKinds[] = {"number-style", "currency-style", "percentage-style", "date-style",
                                       "time-style",   "boolean-style",  "text-style"};
  return std::ranges::any_of(kKinds, [&](const char* kind) { return element == kind; });
}

class OdsReader {
 public:
  explicit OdsReader(const std::string& path) : budget_{kMaxEntriesRead, kMaxUnzippedBytesRead}, zip_(path, budget_) {}

  XlsContent read() {
    const std::string mime = zip_.bytes("mimetype", 128);
    if (!mime.starts_with("application/vnd.oasis.opendocument.spreadsheet")) {
      throw HostError(Tr("it is a zip package, but no workbook"));
    }
    if (!zip_.find("META-INF/manifest.xml").empty()) {
      XmlStream manifest(zip_, "META-INF/manifest.xml");
      while (manifest.next()) {
        if (manifest.isStart() && manifest.name() == "encryption-data") throw HostError(Tr("it is encrypted"));
      }
    }
    content_.format = FileFormat::Ods;
    content_.lastRow = static_cast<int>(kLastRow), content_.lastColumn = static_cast<int>(kLastColumn);
    if (!zip_.find("styles.xml").empty()) readStyles("styles.xml");
    readStyles("content.xml");
    readBody();
    for (auto& [key, areas] : validations_) {
      content_.anchored.push_back({part::kValidations, key.second, std::move(areas)});
    }
    readSettings();
    return std::move(content_);
  }

 private:
  // Font faces, styles (by family and name) and the default cell style, from either part.
  void readStyles(const std::string& part) {
    XmlStream xml(zip_, part);
    Style* style = nullptr;
    while (xml.next()) {
      const std::string& n = xml.name();
      if (n == "body") break;  // content.xml: the styles come first
      if (!xml.isStart()) {
        if (n == "style" || n == "default-style") style = nullptr;
        continue;
      }
      if (n == "font-face") {
        std::string family = xml.attr("svg:font-family");
        if (family.size() >= 2 && (family.front() == '\'' || family.front() == '"')) family = family.substr(1, family.size() - 2);
        faces_[xml.attr("style:name")] = family;
      } else if (n == "style") {
        budget_.hold();
        style = &styles_[xml.attr("style:family")][xml.attr("style:name")];
        style->parent = xml.attr("style:parent-style-name");
      } else if (n == "default-style") {
        style = xml.attr("style:family") == "table-cell" ? &defaultCell_ : nullptr;
      } else if (n == "text-properties" && style) {
        readTextProps(xml, style->text);
      } else if (n == "table-properties" && style) {
        style->hiddenTable = xml.attr("table:display") == "false";
      } else if (n == "table-cell-properties" && style && !xml.attr("fo:background-color").empty()) {
        style->background = xml.attr("fo:background-color");
      } else if (IsDataStyle(n)) {
        budget_.hold();
        const std::string name = part + "|" + xml.attr("style:name");
        dataStyles_[name] = readDataStyle(xml);
      }
      if (n == "style" && style && !xml.attr("style:data-style-name").empty()) {
        style->dataStyle = part + "|" + xml.attr("style:data-style-name");
      }
    }
  }

  // Whether an attribute of a part of a data style states what its absence means:
  // no grouping, a number not in words, the short form, as many decimals at least as at most.
  static bool ShowsAsDefault(const XmlStream& xml, std::string_view attribute, const std::string& value) {
    if (attribute == "number:grouping" || attribute == "number:textual") return value == "false";
    if (attribute == "number:style") return value == "short";
    return attribute == "number:min-decimal-places" && value == xml.attr("number:decimal-places");
  }

  // A data style just started: its kind and the parts that show, with what
  // sets them apart (digits, grouping, literal texts), its end consumed; its
  // name and the names of the styles it maps to left out.
  std::string readDataStyle(XmlStream& xml) {
    static const char* const kShown[] = {"number:decimal-places", "number:min-decimal-places", "number:min-integer-digits",
                                         "number:grouping",       "number:style",              "number:textual",
                                         "number:min-exponent-digits", "number:min-numerator-digits",
                                         "number:min-denominator-digits", "style:condition"};
    const int depth = xml.depth();
    const std::string kind = xml.name();
    std::string text = kind;
    while (xml.nextInside(depth, kind)) {
      const std::string element = xml.name();
      if (element == "text-properties") continue;  // colours of parts: the font's concern
      text += " " + element;
      for (const char* attribute : kShown) {
        const std::string& value = xml.attr(attribute);
        if (!value.empty() && !ShowsAsDefault(xml, attribute, value)) text += std::string(" ") + attribute + "=" + value;
      }
      if (element == "text" || element == "currency-symbol") text += " \"" + xml.text() + "\"";
    }
    return text;
  }

  void readTextProps(const XmlStream& xml, TextProps& p) {
    if (const std::string& v = xml.attr("style:font-name"); !v.empty()) {
      const auto it = faces_.find(v);
      p.name = it == faces_.end() ? v : it->second;
    } else if (const std::string& f = xml.attr("fo:font-family"); !f.empty()) {
      p.name = f.size() >= 2 && f.front() == '\'' ? f.substr(1, f.size() - 2) : f;
    }
    if (const std::string& v = xml.attr("fo:font-size"); v.ends_with("pt")) p.points = std::strtod(v.c_str(), nullptr);
    if (const std::string& v = xml.attr("fo:font-weight"); !v.empty()) {
      p.bold = v == "bold" || std::strtol(v.c_str(), nullptr, 10) >= 600;
    }
    if (const std::string& v = xml.attr("fo:font-style"); !v.empty()) p.italic = v == "italic" || v == "oblique";
    if (const std::string& v = xml.attr("style:text-underline-style"); !v.empty()) {
      p.underline = v == "none" ? "" : xml.attr("style:text-underline-type") == "double" ? "double underline" : "underline";
    }
    if (const std::string& v = xml.attr("style:text-line-through-style"); !v.empty()) p.strikeout = v != "none";
    if (const std::string& v = xml.attr("style:text-position"); !v.empty()) {
      p.script = v.starts_with("super") || std::strtod(v.c_str(), nullptr) > 0   ? 1
                 : v.starts_with("sub") || std::strtod(v.c_str(), nullptr) < 0 ? 2
                                                                                 : 0;
    }
    if (xml.attr("style:use-window-font-color") == "true") {
      p.rgb = 0;
    } else if (const std::string& v = xml.attr("fo:color"); v.size() == 7 && v[0] == '#') {
      p.rgb = static_cast<uint32_t>(std::strtoul(v.c_str() + 1, nullptr, 16));
    }
  }

  TextProps resolved(const std::string& family, std::string name) const {
    TextProps p;
    const auto& styles = styles_.count(family) ? styles_.at(family) : kNoStyles;
    for (int depth = 0; depth < 32 && !name.empty(); ++depth) {
      const auto it = styles.find(name);
      if (it == styles.end()) break;
      p.under(it->second.text);
      name = it->second.parent;
    }
    if (family == "table-cell") {
      if (const auto it = styles.find("Default"); it != styles.end()) p.under(it->second.text);
      p.under(defaultCell_.text);
    }
    return p;
  }

  // A cell style's property, from the style or the nearest parent that states it.
  template <class Property>
  std::string cellLook(std::string name, Property property) const {
    const auto& styles = styles_.count("table-cell") ? styles_.at("table-cell") : kNoStyles;
    for (int depth = 0; depth < 32 && !name.empty(); ++depth) {
      const auto it = styles.find(name);
      if (it == styles.end()) break;
      if (const auto& value = it->second.*property) return *value;
      name = it->second.parent;
    }
    const auto fallback = styles.find("Default");
    if (fallback != styles.end() && fallback->second.*property) return *(fallback->second.*property);
    return (defaultCell_.*property).value_or("");
  }

  std::string cellFill(const std::string& style) const {
    const std::string background = cellLook(style, &Style::background);
    if (background.size() != 7 || background[0] != '#') return "";
    return FillText("solid", static_cast<uint32_t>(std::strtoul(background.c_str() + 1, nullptr, 16)), 0);
  }

  // General (a number of at least one digit) is "".
  std::string cellNumberFormat(const std::string& style) const {
    // Each part names its data styles apart; the document's may name the common ones.
    const std::string name = cellLook(style, &Style::dataStyle);
    auto it = dataStyles_.find(name);
    if (it == dataStyles_.end() && name.starts_with("content.xml|")) {
      it = dataStyles_.find("styles.xml|" + name.substr(name.find('|') + 1));
    }
    if (it == dataStyles_.end() || it->second == "number-style number number:min-integer-digits=1") return "";
    return it->second;
  }

  // A cell style's fill and number format, worked out once per style.
  const std::pair<std::string, std::string>& cellLooks(const std::string& style) {
    auto [it, added] = cellLooks_.try_emplace(style);
    if (added) it->second = {cellFill(style), cellNumberFormat(style)};
    return it->second;
  }

  const std::string& cellFace(const std::string& style) {
    auto [it, added] = cellFaces_.try_emplace(style);
    // A font the file does not name is the reading program's: none to compare.
    if (added) {
      const TextProps p = resolved("table-cell", style);
      it->second = p.name && !p.name->empty() ? p.face().describe() : "";
    }
    return it->second;
  }

  std::string spanFace(const std::string& cellStyle, const std::string& textStyle) {
    TextProps p = resolved("text", textStyle);
    p.under(resolved("table-cell", cellStyle));
    return p.face().describe();
  }

  // "Sheet1.A1:Sheet1.B5 'My sheet'.C1": the areas, whatever their sheet.
  std::vector<CellArea> rangeAreas(const std::string& list) {
    std::vector<CellArea> out;
    std::vector<std::string> pieces(1);
    bool quoted = false;
    const auto place = [](std::string piece) {
      const auto dot = piece.rfind('.');
      if (dot != std::string::npos) piece.erase(0, dot + 1);
      std::erase(piece, '$');
      return piece;
    };
    for (size_t i = 0; i <= list.size(); ++i) {
      const char c = i < list.size() ? list[i] : ' ';
      if (c == '\'') quoted = !quoted;
      if (c != ' ' || quoted) {
        pieces.back() += c;
        continue;
      }
      const std::string& range = pieces.back();
      size_t colon = std::string::npos;
      bool q = false;
      for (size_t k = 0; k < range.size(); ++k) {
        if (range[k] == '\'') q = !q;
        if (range[k] == ':' && !q) colon = k;
      }
      CellArea area;
      const std::string first = place(range.substr(0, colon));
      const std::string last = colon == std::string::npos ? first : place(range.substr(colon + 1));
      if (!range.empty() && ParseAreaName(first + ":" + last, area)) {
        budget_.hold();
        out.push_back(area);
      }
      pieces.back().clear();
    }
    return out;
  }

  struct Cell {
    int64_t column = 0;  // from 1
    int64_t repeat = 1;
    int comments = 0;
    std::string validation;
    CellValue value;
    std::optional<TextFormula> formula;
    int64_t rowsSpanned = 1, columnsSpanned = 1;
    std::vector<std::pair<std::string, std::string>> links;  // the target and tip of each link in its text
  };

  void readBody() {
    XmlStream xml(zip_, "content.xml");
    bool inBody = false;
    while (xml.next()) {
      const std::string& n = xml.name();
      if (n == "body") inBody = xml.isStart();
      if (!inBody || !xml.isStart()) continue;
      if (n == "null-date") {
        if (const auto days = DateDays(xml.attr("table:date-value"))) nullDate_ = *days;
      } else if (n == "table") {
        readTable(xml);
      } else if (n == "spreadsheet" && xml.attr("table:structure-protected") == "true") {
        content_.parts[part::kWorkbookProtection] = 1;
      } else {
        countElement(xml, -1);
      }
    }
  }

  // Elements a user would miss, wherever they are; named ranges and expressions.
  void countElement(XmlStream& xml, int sheet) {
    const std::string& n = xml.name();
    if (n == "object") ++content_.parts[part::kCharts];
    else if (n == "image" && !xml.attr("xlink:href").starts_with("./ObjectReplacements") &&
             !xml.attr("xlink:href").starts_with("ObjectReplacements")) {
      ++content_.parts[part::kImages];
    } else if (n == "data-pilot-table") ++content_.parts[part::kPivotTables];
    else if (n == "conditional-format" && sheet >= 0) {
      budget_.hold();
      content_.anchored.push_back({part::kConditionalFormats, sheet, rangeAreas(xml.attr("calcext:target-range-address"))});
    } else if (n == "named-range" || n == "named-expression") {
      budget_.hold();
      DefinedName name;
      name.name = xml.attr("table:name");
      name.sheet = sheet;
      name.text = n == "named-range" ? "[" + xml.attr("table:cell-range-address") + "]" : xml.attr("table:expression");
      content_.links.names.push_back(std::move(name));
      ++content_.parts[part::kDefinedNames];
    }
  }

  void readTable(XmlStream& xml) {
    budget_.hold();
    SheetContent sheet;
    sheet.name = xml.attr("table:name");
    if (const auto& tables = styles_["table"]; tables.count(xml.attr("table:style-name"))) {
      sheet.visibility = tables.at(xml.attr("table:style-name")).hiddenTable ? 1 : 0;
    }
    const int index = static_cast<int>(content_.sheets.size());
    content_.sheets.push_back(std::move(sheet));
    SheetContent& s = content_.sheets.back();
    const int depth = xml.depth();
    int64_t row = 1, column = 1;
    std::vector<std::pair<int64_t, std::string>> columnStyles;  // from this column on, this default style
    std::vector<Cell> cells;
    int64_t rowRepeat = 1;
    while (xml.next()) {
      const std::string& n = xml.name();
      if (!xml.isStart()) {
        if (n == "table" && xml.depth() == depth) break;
        if (n == "table-row") {
          storeRow(s, index, cells, row, rowRepeat);
          row += rowRepeat;
        }
        continue;
      }
      if (n == "table-column") {
        const int64_t repeat = Repeat(xml.attr("table:number-columns-repeated"));
        if (Collapsed(xml) && column <= kLastColumn) {
          s.hiddenColumns.emplace_back(column, std::min(column + repeat - 1, kLastColumn));
        }
        columnStyles.emplace_back(column, xml.attr("table:default-cell-style-name"));
        column = std::min(column + repeat, kLastColumn + 1);
      } else if (n == "table-row") {
        rowRepeat = Repeat(xml.attr("table:number-rows-repeated"));
        if (Collapsed(xml) && row <= kLastRow) s.hiddenRows.emplace_back(row, std::min(row + rowRepeat - 1, kLastRow));
        column = 1;
        cells.clear();
      } else if (n == "table-cell" || n == "covered-table-cell") {
        Cell cell = readCell(xml, column, columnStyles);
        column += cell.repeat;
        if (n == "table-cell" && (!Blank(cell.value) || cell.rowsSpanned > 1 || cell.columnsSpanned > 1 ||
                                  cell.comments || !cell.validation.empty() || !cell.links.empty() ||
                                  (!cell.value.fill.empty() && cell.repeat <= kMostBlankFilledCells))) {
          cells.push_back(std::move(cell));
        }
      } else {
        countElement(xml, index);
      }
    }
  }

  // A row or column hidden by the user or by a filter.
  static bool Collapsed(const XmlStream& xml) {
    const std::string& visibility = xml.attr("table:visibility");
    return visibility == "collapse" || visibility == "filter";
  }

  static bool Blank(const CellValue& v) { return !v.formula && v.kind == ValueKind::Text && v.text.empty(); }

  static int64_t Repeat(const std::string& text) {
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    return n < 1 ? 1 : std::min<long long>(n, kLastRow * kLastColumn);
  }

  // A row's cells, as many times as it is repeated, within the sheet.
  void storeRow(SheetContent& s, int sheetIndex, const std::vector<Cell>& cells, int64_t row, int64_t repeat) {
    if (cells.empty() || row > kLastRow) return;
    repeat = std::min(repeat, kLastRow - row + 1);
    // A blank cell kept only for its fill is stored where it stands for few cells.
    const auto fillOnly = [](const Cell& c) {
      return Blank(c.value) && c.rowsSpanned == 1 && c.columnsSpanned == 1 && !c.comments && c.validation.empty() &&
             c.links.empty();
    };
    int64_t perRow = 0;
    for (const Cell& c : cells) {
      if (!fillOnly(c)) perRow += std::min(c.repeat, kLastColumn);
    }
    if (perRow > 0 && repeat > static_cast<int64_t>(budget_.entriesLeft) / perRow) TooLargeToCheck();
    budget_.hold(static_cast<size_t>(perRow * repeat));
    for (int64_t r = row; r < row + repeat; ++r) {
      for (const Cell& c : cells) {
        if (fillOnly(c)) {
          if (c.repeat * repeat <= kMostBlankFilledCells) storeBlankFill(s, c, r);
          continue;
        }
        for (int64_t k = 0; k < c.repeat && c.column + k <= kLastColumn; ++k) {
          const int rr = static_cast<int>(r), cc = static_cast<int>(c.column + k);
          for (int n = 0; n < c.comments; ++n) {
            budget_.hold();
            content_.anchored.push_back({part::kComments, sheetIndex, {{rr, cc, rr, cc}}});
          }
          if (!c.validation.empty() && k == 0) {
            budget_.hold();
            validations_[{c.validation, sheetIndex}].push_back(
                {rr, cc, rr, static_cast<int>(std::min(c.column + c.repeat - 1, kLastColumn))});
          }
          if (c.rowsSpanned > 1 || c.columnsSpanned > 1) {
            budget_.hold();
            s.merged.push_back({rr, cc, static_cast<int>(std::min(r + c.rowsSpanned - 1, kLastRow)),
                                static_cast<int>(std::min(c.column + k + c.columnsSpanned - 1, kLastColumn))});
          }
          for (const auto& [target, tip] : c.links) {
            budget_.hold();
            s.hyperlinks.push_back({{rr, cc, rr, cc}, target, tip});
          }
          if (Blank(c.value)) {
            if (!c.value.fill.empty()) s.blankFills[{rr, cc}] = c.value.fill;
            continue;
          }
          s.cells[{rr, cc}] = c.value;
          if (c.formula) s.textFormulas[{rr, cc}] = *c.formula;
        }
      }
    }
  }

  void storeBlankFill(SheetContent& s, const Cell& c, int64_t row) {
    for (int64_t k = 0; k < c.repeat && c.column + k <= kLastColumn; ++k) {
      budget_.hold();
      s.blankFills[{static_cast<int>(row), static_cast<int>(c.column + k)}] = c.value.fill;
    }
  }

  Cell readCell(XmlStream& xml, int64_t column, const std::vector<std::pair<int64_t, std::string>>& columnStyles) {
    Cell cell;
    cell.column = column;
    cell.repeat = Repeat(xml.attr("table:number-columns-repeated"));
    cell.columnsSpanned = Repeat(xml.attr("table:number-columns-spanned"));
    cell.rowsSpanned = Repeat(xml.attr("table:number-rows-spanned"));
    cell.validation = xml.attr("table:content-validation-name");
    std::string style = xml.attr("table:style-name");
    if (style.empty()) {
      for (auto it = columnStyles.rbegin(); it != columnStyles.rend(); ++it) {
        if (it->first <= column) {
          style = it->second;
          break;
        }
      }
    }
    const std::string type = xml.attr("office:value-type"), calcType = xml.attr("calcext:value-type");
    const std::string formula = xml.attr("table:formula");
    const bool hasStringValue = xml.has("string-value");
    const std::string stringValue = xml.attr("office:string-value");
    const std::string value = xml.attr("office:value"), date = xml.attr("office:date-value"),
                      time = xml.attr("office:time-value"), boolean = xml.attr("office:boolean-value");
    // The paragraphs: their text, and runs where spans set another style.
    std::string text;
    std::vector<std::pair<int, std::string>> spans;  // from a character on, the text style ("" the cell's)
    int paragraphs = 0, skipDepth = -1, spanDepth = 0;
    bool inParagraph = false, lastWasSpace = true;
    xml.content(
        [&](XmlStream& x) {
          const std::string& n = x.name();
          if (skipDepth >= 0) return countElement(x, -2);  // a picture or chart in the cell
          if (n == "frame") {
            skipDepth = x.depth();
            return;
          }
          if (n == "annotation") {
            ++cell.comments;
            return x.skip();
          }
          if (n == "p" || n == "h") {
            if (paragraphs++) text += '\n';
            inParagraph = true, lastWasSpace = true;
          } else if (n == "span") {
            ++spanDepth;
            spans.emplace_back(rules::Utf16Length(text), x.attr("text:style-name"));
          } else if (n == "s") {
            text.append(static_cast<size_t>(std::min<int64_t>(Repeat(x.attr("text:c")), 1024)), ' ');
            lastWasSpace = false;
          } else if (n == "tab") {
            text += '\t';
          } else if (n == "line-break") {
            text += '\n';
          } else if (n == "a") {
            cell.links.emplace_back(TargetAsSeen(x.attr("xlink:href")), x.attr("office:title"));
          }
        },
        [&](const std::string& t) {
          if (skipDepth >= 0 || !inParagraph) return;
          for (const char c : t) {  // white space collapses, as in any paragraph of ODF
            const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\r';
            if (space && lastWasSpace) continue;
            text += space ? ' ' : c;
            lastWasSpace = space;
          }
        },
        [&](const std::string& n) {
          if (skipDepth >= 0) {
            if (n == "frame" && xml.depth() == skipDepth) skipDepth = -1;
            return;
          }
          if (n == "p" || n == "h") inParagraph = false;
          if (n == "span" && spanDepth > 0) {
            --spanDepth;
            spans.emplace_back(rules::Utf16Length(text), "");
          }
        });
    CellValue& v = cell.value;
    v.font = cellFace(style);
    if (!formula.empty() && !(type == "boolean" && (formula == "of:=TRUE()" || formula == "of:=FALSE()"))) {
      v.formula = true;
      // A formula without a value type holds no result: it is computed when the file is opened.
      v.volatileFormula = type.empty() && calcType.empty();
      cell.formula = TextFormula{std::make_shared<const std::string>(formula), 0, 0};
    }
    const std::string shown = hasStringValue ? stringValue : text;
    if (calcType == "error" || (v.formula && type == "string" && IsErrorText(shown))) {
      v.kind = ValueKind::Error;
      v.text = shown;
    } else if (type == "float" || type == "percentage" || type == "currency") {
      v.kind = ValueKind::Number;
      v.text = NumberText(std::strtod(value.c_str(), nullptr));
    } else if (type == "date") {
      v.kind = ValueKind::Number;
      v.text = NumberText(DateDays(date).value_or(0) - nullDate_);
    } else if (type == "time") {
      v.kind = ValueKind::Number;
      v.text = NumberText(Duration(time));
    } else if (type == "boolean") {
      v.kind = ValueKind::Bool;
      v.text = boolean == "true" ? "TRUE" : "FALSE";
    } else {
      v.kind = ValueKind::Text;
      v.text = shown;
      if (!spans.empty() && !hasStringValue) v.runs = runsOf(style, spans, rules::Utf16Length(text));
    }
    // The truth value style shows a truth value as General does.
    const auto& [fill, numberFormat] = cellLooks(style);
    v.fill = fill;
    v.numberFormat = v.kind == ValueKind::Bool && numberFormat == "boolean-style boolean" ? "" : numberFormat;
    return cell;
  }

  std::vector<TextRun> runsOf(const std::string& cellStyle, const std::vector<std::pair<int, std::string>>& spans,
                              int length) {
    std::vector<TextRun> runs{{0, cellFace(cellStyle)}};
    for (const auto& [first, style] : spans) {
      if (first >= length) break;
      const std::string face = style.empty() ? cellFace(cellStyle) : spanFace(cellStyle, style);
      if (first == 0) runs.clear();
      if (!runs.empty() && runs.back().first == first) runs.pop_back();
      if (runs.empty() || runs.back().font != face) runs.push_back({first, face});
    }
    if (runs.size() < 2) runs.clear();
    return runs;
  }

  // The active sheet, and each sheet's frozen panes (split mode 2: frozen).
  void readSettings() {
    if (zip_.find("settings.xml").empty()) return;
    XmlStream xml(zip_, "settings.xml");
    std::string map, sheet;
    std::map<std::string, int> items;
    const auto panes = [&] {
      const int columns = items["HorizontalSplitMode"] == 2 ? items["HorizontalSplitPosition"] : 0;
      const int rows = items["VerticalSplitMode"] == 2 ? items["VerticalSplitPosition"] : 0;
      for (SheetContent& s : content_.sheets) {
        if (s.name == sheet && (rows > 0 || columns > 0) && rows < kLastRow && columns < kLastColumn) {
          s.frozenAt = host::ColumnLetters(columns + 1) + std::to_string(rows + 1);
        }
      }
    };
    while (xml.next()) {
      const std::string& n = xml.name();
      if (n == "config-item-map-named" && xml.isStart()) map = xml.attr("config:name");
      if (n == "config-item-map-entry" && map == "Tables") {
        if (xml.isStart()) {
          sheet = xml.attr("config:name"), items.clear();
        } else {
          panes();
          sheet.clear();
        }
      }
      if (!xml.isStart() || n != "config-item") continue;
      const std::string name = xml.attr("config:name");
      const std::string value = xml.text();
      if (!sheet.empty()) {
        items[name] = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
      } else if (name == "ActiveTable") {
        for (size_t i = 0; i < content_.sheets.size(); ++i) {
          if (content_.sheets[i].name == value) content_.activeSheet = static_cast<int>(i);
        }
      }
    }
  }

  inline static const std::map<std::string, Style> kNoStyles;
  ReadBudget budget_;
  ZipPackage zip_;
  XlsContent content_;
  std::map<std::string, std::string> faces_;
  std::map<std::string, std::map<std::string, Style>> styles_;  // by family, by name
  Style defaultCell_;
  std::map<std::string, std::string> cellFaces_;
  std::map<std::string, std::pair<std::string, std::string>> cellLooks_;  // by cell style: fill, number format
  std::map<std::string, std::string> dataStyles_;  // number formats by part and name ("content.xml|N1"), as they show
  std::map<std::pair<std::string, int>, std::vector<CellArea>> validations_;  // by name and sheet: the cells using it
  double nullDate_ = static_cast<double>(DaysFromCivil(1899, 12, 30));
};

}  // namespace

XlsContent ReadOdsContent(const std::string& path) { return OdsReader(path).read(); }

}  // namespace sheetwise::verify

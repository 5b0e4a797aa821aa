// .xlsx and .xlsm read from their zip parts and XML, without the office:
// what XlsContent.h describes, fonts resolved to what they show (a theme
// colour to its colour, a style index to its font), so that a file whose
// styles were renumbered or whose theme was written anew reads the same.

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
#include "verify/MacroProject.h"
#include "verify/ShapeMarkup.h"
#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::verify {
namespace {
using host::HostError;

// The most of one drawing part read for its shapes.
constexpr size_t kMaxShapePartBytes = 16u << 20;
constexpr long kMaxColumn = 16384;

bool Hidden(const XmlStream& xml) { return xml.attr("hidden") == "1" || xml.attr("hidden") == "true"; }

// A row or column hidden, or given a size of 0, which shows the same.
bool Hidden(const XmlStream& xml, const char* size) {
  return Hidden(xml) || (xml.has(size) && std::strtod(xml.attr(size).c_str(), nullptr) == 0);
}

bool IsErrorText(const std::string& text) {
  static const char* const kErrors[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A",
                                        "#GETTING_DATA", "#SPILL!", "#CALC!"};
  for (const char* e : kErrors) {
    if (text == e) return true;
  }
  return false;
}

// "_x000D_" and its kind stand for the character they name; "_x005F_" for "_".
std::string Unescape(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_' &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) && std::isxdigit(static_cast<unsigned char>(text[i + 3])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 4])) && std::isxdigit(static_cast<unsigned char>(text[i + 5]))) {
      rules::AppendUtf8(out, static_cast<uint32_t>(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16)));
      i += 6;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

// "B7" to (7, 2); false for anything else.
bool ParseCellName(std::string_view text, int& row, int& column) {
  size_t i = 0;
  column = 0;
  if (i < text.size() && text[i] == '$') ++i;
  const size_t letters = i;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) && i - letters < 3) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
    ++i;
  }
  if (i == letters) return false;
  if (i < text.size() && text[i] == '$') ++i;
  const size_t digits = i;
  row = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - digits < 8) {
    row = row * 10 + (text[i] - '0');
    ++i;
  }
  return i == text.size() && i > digits && row > 0;
}

bool ParseAreaName(std::string_view text, CellArea& area) {
  const auto colon = text.find(':');
  if (!ParseCellName(text.substr(0, colon), area.firstRow, area.firstColumn)) return false;
  if (colon == std::string_view::npos) {
    area.lastRow = area.firstRow, area.lastColumn = area.firstColumn;
    return true;
  }
  return ParseCellName(text.substr(colon + 1), area.lastRow, area.lastColumn);
}

namespace {

// A colour of the theme's scheme, Excel's order: light 1, dark 1, light 2, dark 2, accents, links.
struct Theme {
  uint32_t colours[12] = {0xFFFFFF, 0x000000, 0xEEECE1, 0x1F497D, 0x4F81BD, 0xC0504D,
                          0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646, 0x0000FF, 0x800080};
};

Theme ReadTheme(const ZipPackage& zip, const std::string& part) {
  Theme theme;
  if (part.empty() || zip.find(part).empty()) return theme;
  XmlStream xml(zip, part);
  static const std::map<std::string, int> kSlots = {{"dk1", 1},     {"lt1", 0},     {"dk2", 3},     {"lt2", 2},
                                                    {"accent1", 4}, {"accent2", 5}, {"accent3", 6}, {"accent4", 7},
                                                    {"accent5", 8}, {"accent6", 9}, {"hlink", 10},  {"folHlink", 11}};
  int slot = -1;
  bool inScheme = false;
  while (xml.next()) {
    if (xml.name() == "clrScheme") inScheme = xml.isStart();
    if (!inScheme || !xml.isStart()) continue;
    if (const auto it = kSlots.find(xml.name()); it != kSlots.end()) {
      slot = it->second;
    } else if (slot >= 0 && (xml.name() == "srgbClr" || xml.name() == "sysClr")) {
      const std::string& value = xml.name() == "srgbClr" ? xml.attr("val") : xml.attr("lastClr");
      if (!value.empty()) theme.colours[slot] = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 16));
      slot = -1;
    }
  }
  return theme;
}

// A colour lightened (tint > 0) or darkened (tint < 0) as Excel does, through its lightness.
uint32_t Tinted(uint32_t rgb, double tint) {
  if (std::fabs(tint) < 1e-6) return rgb;
  double r = ((rgb >> 16) & 0xFF) / 255.0, g = ((rgb >> 8) & 0xFF) / 255.0, b = (rgb & 0xFF) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  double h = 0, s = 0, l = (high + low) / 2;
  if (high != low) {
    const double d = high - low;
    s = l > 0.5 ? d / (2 - high - low) : d / (high + low);
    h = high == r ? (g - b) / d + (g < b ? 6 : 0) : high == g ? (b - r) / d + 2 : (r - g) / d + 4;
    h /= 6;
  }
  l = tint < 0 ? l * (1 + tint) : l * (1 - tint) + tint;
  const auto channel = [](double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
  };
  if (s == 0) {
    r = g = b = l;
  } else {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    r = channel(p, q, h + 1.0 / 3), g = channel(p, q, h), b = channel(p, q, h - 1.0 / 3);
  }
  const auto byte = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return byte(r) << 16 | byte(g) << 8 | byte(b);
}

class OoxmlReader {
 public:
  explicit OoxmlReader(const std::string& path) : budget_{kMaxEntriesRead, kMaxUnzippedBytesRead}, zip_(path, budget_) {}

  XlsContent read() {
    if (zip_.find("[Content_Types].xml").empty()) throw HostError(Tr("it is a zip package, but no workbook"));
    content_.format = FileFormat::Xlsx;
    content_.lastRow = 1048576, content_.lastColumn = 16384;
    std::string workbook = "xl/workbook.xml";
    for (const auto& [id, rel] : ReadRelationships(zip_, "")) {
      if (rel.first == "officeDocument") workbook = rel.second;
    }
    if (!workbook.ends_with(".xml")) throw HostError(Tr("it is a binary workbook (.xlsb), which the check does not read"));
    if (zip_.find(workbook).empty()) throw HostError(Tr("its part %s is missing", {workbook}));
    const auto rels = ReadRelationships(zip_, workbook);
    std::string styles, strings, theme, macros = "xl/vbaProject.bin";
    for (const auto& [id, rel] : rels) {
      if (rel.first == "styles") styles = rel.second;
      if (rel.first == "sharedStrings") strings = rel.second;
      if (rel.first == "theme") theme = rel.second;
      if (rel.first == "vbaProject") macros = rel.second;
    }
    theme_ = ReadTheme(zip_, theme);
    readStyles(styles);
    readStrings(strings);
    const auto sheetParts = readWorkbook(workbook, rels);
    for (size_t i = 0; i < content_.sheets.size(); ++i) {
      if (content_.sheets[i].type == 0 && !sheetParts[i].empty() && !zip_.find(sheetParts[i]).empty()) {
        readSheet(content_.sheets[i], static_cast<int>(i), sheetParts[i]);
      }
    }
    content_.macroStorage = MacroPartsDigest(zip_, macros);
    countParts();
    return std::move(content_);
  }

 private:
  using Face = FaceProperties;
  // A run's font, or none for the cell's own.
  struct Run {
    int first = 0;
    std::optional<std::string> face;
  };
  struct RichText {
    std::string text;
    std::vector<Run> runs;
  };

  uint32_t colour(const XmlStream& xml) const {
    if (xml.attr("auto") == "1" || xml.attr("auto") == "true") return 0;
    if (const std::string& rgb = xml.attr("rgb"); !rgb.empty()) {
      return static_cast<uint32_t>(std::strtoul(rgb.c_str(), nullptr, 16)) & 0xFFFFFF;
    }
    if (const std::string& theme = xml.attr("theme"); !theme.empty()) {
      const auto slot = static_cast<size_t>(std::strtoul(theme.c_str(), nullptr, 10));
      return slot < 12 ? Tinted(theme_.colours[slot], std::strtod(xml.attr("tint").c_str(), nullptr)) : 0;
    }
    if (const std::string& indexed = xml.attr("indexed"); !indexed.empty()) {
      const auto index = static_cast<size_t>(std::strtoul(indexed.c_str(), nullptr, 10));
      if (index < palette_.size()) return palette_[index];
      return index < 64 ? StandardPaletteColour(index) : 0;
    }
    return 0;
  }

  // A <font> or <rPr> just started: its properties over base, its end consumed.
  Face readFont(XmlStream& xml, Face face) {
    const int depth = xml.depth();
    const std::string element = xml.name();
    while (xml.nextInside(depth, element)) {
      const std::string& n = xml.name();
      const std::string& val = xml.attr("val");
      const bool on = val != "0" && val != "false";
      if (n == "b") face.bold = on;
      else if (n == "i") face.italic = on;
      else if (n == "strike") face.strikeout = on;
      else if (n == "u") {
        static const std::map<std::string, std::string> kKinds = {{"", "underline"},
                                                                  {"single", "underline"},
                                                                  {"double", "double underline"},
                                                                  {"singleAccounting", "accounting underline"},
                                                                  {"doubleAccounting", "double accounting underline"},
                                                                  {"none", ""}};
        const auto it = kKinds.find(val);
        face.underline = it == kKinds.end() ? "underline" : it->second;
      } else if (n == "vertAlign") face.script = val == "superscript" ? 1 : val == "subscript" ? 2 : 0;
      else if (n == "sz") face.points = std::strtod(val.c_str(), nullptr);
      else if (n == "name" || n == "rFont") face.name = val;
      else if (n == "color") face.rgb = colour(xml);
    }
    return face;
  }

  void readStyles(const std::string& part) {
    if (part.empty() || zip_.find(part).empty()) return;
    // The indexed colours come before the fonts that use them only sometimes: read them first.
    {
      XmlStream xml(zip_, part);
      bool inIndexed = false;
      while (xml.next()) {
        if (xml.name() == "indexedColors") inIndexed = xml.isStart();
        if (inIndexed && xml.isStart() && xml.name() == "rgbColor") {
          budget_.hold();
          palette_.push_back(static_cast<uint32_t>(std::strtoul(xml.attr("rgb").c_str(), nullptr, 16)) & 0xFFFFFF);
        }
      }
    }
    XmlStream xml(zip_, part);
    std::string section;
    while (xml.next()) {
      const std::string& n = xml.name();
      if (n == "fonts" || n == "fills" || n == "numFmts" || n == "cellXfs" || n == "cellStyleXfs" || n == "dxfs") {
        section = xml.isStart() ? n : "";
        continue;
      }
      if (!xml.isStart()) continue;
      if (section == "fills" && n == "fill") {
        budget_.hold();
        fills_.push_back(readFill(xml));
        continue;
      }
      if (section == "numFmts" && n == "numFmt") {
        budget_.hold();
        numberFormats_[std::strtoul(xml.attr("numFmtId").c_str(), nullptr, 10)] = NumberFormatAsShown(xml.attr("formatCode"));
        continue;
      }
      if (section == "fonts" && n == "font") {
        budget_.hold();
        // A font without a size has Excel's; one without a name is the reading
        // program's choice: none to compare.
        Face face = readFont(xml, {});
        if (face.points == 0) face.points = 11;
        if (fonts_.empty()) firstFont_ = face;
        fonts_.push_back(face.name.empty() ? "" : face.describe());
      } else if (section == "cellXfs" && n == "xf") {
        budget_.hold();
        const auto index = [&](const char* name) { return std::strtoul(xml.attr(name).c_str(), nullptr, 10); };
        xfs_.push_back({index("fontId"), index("fillId"), static_cast<unsigned>(index("numFmtId"))});
      }
    }
  }

  // A <fill> just started: the fill as it shows; its end consumed. A gradient
  // shows as its colours in order.
  std::string readFill(XmlStream& xml) {
    const int depth = xml.depth();
    std::string pattern, gradient;
    uint32_t foreground = 0, background = 0xFFFFFF;
    while (xml.nextInside(depth, "fill")) {
      const std::string& n = xml.name();
      if (n == "patternFill") pattern = xml.attr("patternType");
      else if (n == "gradientFill") gradient = "gradient";
      else if (n == "fgColor") foreground = colour(xml);
      else if (n == "bgColor") background = colour(xml);
      else if (n == "color" && !gradient.empty()) gradient += " " + ColourText(colour(xml));
    }
    return gradient.empty() ? FillText(pattern, foreground, background) : gradient;
  }

  struct Xf {
    size_t font = 0, fill = 0;
    unsigned numberFormat = 0;
  };
  Xf xfAt(size_t index) const { return index < xfs_.size() ? xfs_[index] : Xf{}; }

  std::string cellFill(size_t index) const {
    const size_t fill = xfAt(index).fill;
    return fill < fills_.size() ? fills_[fill] : "";
  }

  std::string cellNumberFormat(size_t index) const {
    const unsigned id = xfAt(index).numberFormat;
    const auto it = numberFormats_.find(id);
    return it != numberFormats_.end() ? it->second : BuiltInNumberFormat(id);
  }

  std::string cellFace(size_t index) const {
    const size_t font = xfAt(index).font;
    return font < fonts_.size() ? fonts_[font] : "";
  }

  // An <si> or <is> just started: its text, phonetic runs left out, and its runs; its end consumed.
  RichText readRich(XmlStream& xml) {
    RichText rich;
    const int depth = xml.depth();
    const std::string element = xml.name();
    while (xml.nextInside(depth, element)) {
      if (xml.name() == "rPh") {
        xml.skip();
      } else if (xml.name() == "r") {
        rich.runs.push_back({rules::Utf16Length(rich.text), std::nullopt});
      } else if (xml.name() == "rPr" && !rich.runs.empty()) {
        rich.runs.back().face = readFont(xml, firstFont_).describe();
      } else if (xml.name() == "t") {
        rich.text += Unescape(xml.text());
      }
    }
    return rich;
  }

  void readStrings(const std::string& part) {
    if (part.empty() || zip_.find(part).empty()) return;
    XmlStream xml(zip_, part);
    while (xml.next()) {
      if (xml.isStart() && xml.name() == "si") {
        budget_.hold();
        strings_.push_back(readRich(xml));
      }
    }
  }

  std::vector<std::string> readWorkbook(const std::string& part,
                                        const std::map<std::string, std::pair<std::string, std::string>>& rels) {
    std::vector<std::string> sheetParts;
    XmlStream xml(zip_, part);
    while (xml.next()) {
      if (!xml.isStart()) continue;
      if (xml.name() == "sheet") {
        budget_.hold();
        SheetContent sheet;
        sheet.name = xml.attr("name");
        const std::string& state = xml.attr("state");
        sheet.visibility = state == "hidden" ? 1 : state == "veryHidden" ? 2 : 0;
        const auto rel = rels.find(xml.attr("r:id"));
        const std::string type = rel == rels.end() ? "" : rel->second.first;
        sheet.type = type == "chartsheet" ? 2 : type == "macrosheet" || type == "xlMacrosheet" || type == "xlIntlMacrosheet" ? 1 : 0;
        sheetParts.push_back(rel == rels.end() ? "" : rel->second.second);
        content_.sheets.push_back(std::move(sheet));
      } else if (xml.name() == "workbookProtection") {
        for (const char* lock : {"lockStructure", "lockWindows", "lockRevision"}) {
          if (xml.attr(lock) == "1" || xml.attr(lock) == "true") content_.parts[part::kWorkbookProtection] = 1;
        }
      } else if (xml.name() == "workbookView" && !activeRead_) {
        activeRead_ = true;
        content_.activeSheet = static_cast<int>(std::strtol(xml.attr("activeTab").c_str(), nullptr, 10));
      } else if (xml.name() == "definedName") {
        budget_.hold();
        DefinedName name;
        name.name = xml.attr("name");
        name.sheet = xml.has("localSheetId") ? static_cast<int>(std::strtol(xml.attr("localSheetId").c_str(), nullptr, 10)) : -1;
        const bool hidden = Hidden(xml);
        name.text = xml.text();
        if (!hidden && !name.name.starts_with("_xlnm._FilterDatabase")) ++content_.parts[part::kDefinedNames];
        content_.links.names.push_back(std::move(name));
      }
    }
    return sheetParts;
  }

  // "A1:B2 C3": the areas of a list of references.
  std::vector<CellArea> areas(const std::string& list) {
    std::vector<CellArea> out;
    size_t from = 0;
    while (from < list.size()) {
      size_t end = list.find(' ', from);
      if (end == std::string::npos) end = list.size();
      CellArea area;
      if (end > from && ParseAreaName(std::string_view(list).substr(from, end - from), area)) {
        budget_.hold();
        out.push_back(area);
      }
      from = end + 1;
    }
    return out;
  }

  void anchor(const char* kind, int sheet, std::vector<CellArea> areas) {
    budget_.hold();
    content_.anchored.push_back({kind, sheet, std::move(areas)});
  }

  void readSheet(SheetContent& sheet, int index, const std::string& part) {
    XmlStream xml(zip_, part);
    int row = 0, column = 0;
    std::map<std::string, std::pair<std::shared_ptr<const std::string>, std::pair<int, int>>> shared;  // si -> master
    std::vector<std::pair<CellArea, std::shared_ptr<const std::string>>> arrays;
    // A conditional format's rules or a validation, and the cells they apply to
    // (an attribute, or an element after the rules in an extension's).
    const char* open = nullptr;
    bool paneRead = false;
    size_t rules = 0;
    std::vector<CellArea> applies;
    std::vector<PendingHyperlink> links;
    while (xml.next()) {
      const std::string& n = xml.name();
      if (!xml.isStart()) {
        if (open && ((n == "conditionalFormatting" && open == part::kConditionalFormats) ||
                     (n == "dataValidation" && open == part::kValidations))) {
          for (size_t r = 0; r < rules; ++r) anchor(open, index, applies);
          open = nullptr;
        }
        continue;
      }
      if (n == "row") {
        row = xml.has("r") ? static_cast<int>(std::strtol(xml.attr("r").c_str(), nullptr, 10)) : row + 1;
        column = 0;
        if (Hidden(xml, "ht")) sheet.hiddenRows.emplace_back(row, row);
        if (xml.has("s") && (xml.attr("customFormat") == "1" || xml.attr("customFormat") == "true")) {
          budget_.hold();
          sheet.rowFills[row] = cellFill(std::strtoul(xml.attr("s").c_str(), nullptr, 10));
        }
      } else if (n == "col") {
        const auto number = [&](const char* name) {
          return static_cast<int>(std::clamp<long>(std::strtol(xml.attr(name).c_str(), nullptr, 10), 1, kMaxColumn));
        };
        if (Hidden(xml, "width")) sheet.hiddenColumns.emplace_back(number("min"), number("max"));
        if (xml.has("style")) {
          budget_.hold();
          sheet.columnFills.push_back({{number("min"), number("max")}, cellFill(std::strtoul(xml.attr("style").c_str(), nullptr, 10))});
        }
      } else if (n == "c") {
        int r = row, c = column + 1;
        if (xml.has("r") && !ParseCellName(xml.attr("r"), r, c)) r = row, c = column + 1;
        column = c;
        readCell(xml, sheet, r, c, shared, arrays);
      } else if (n == "mergeCell") {
        CellArea area;
        budget_.hold();
        // One cell merged with itself is no merge at all.
        if (ParseAreaName(xml.attr("ref"), area) && (area.firstRow != area.lastRow || area.firstColumn != area.lastColumn)) {
          sheet.merged.push_back(area);
        }
      } else if (n == "pane" && !paneRead) {
        paneRead = true;
        const std::string& state = xml.attr("state");
        const int columns = static_cast<int>(std::strtod(xml.attr("xSplit").c_str(), nullptr));
        const int rows = static_cast<int>(std::strtod(xml.attr("ySplit").c_str(), nullptr));
        if ((state == "frozen" || state == "frozenSplit") && (rows > 0 || columns > 0)) {
          sheet.frozenAt = host::ColumnLetters(columns + 1) + std::to_string(rows + 1);
        }
      } else if (n == "conditionalFormatting") {
        open = part::kConditionalFormats, rules = 0, applies = areas(xml.attr("sqref"));
      } else if (n == "cfRule") {
        ++rules;
      } else if (n == "dataValidation") {
        open = part::kValidations, rules = 1, applies = areas(xml.attr("sqref"));
      } else if (n == "sqref" && open) {
        applies = areas(xml.text());
      } else if (n == "hyperlink") {
        budget_.hold();
        links.push_back(ReadHyperlinkElement(xml));
      }
    }
    sheet.hyperlinks = ResolveHyperlinks(zip_, part, std::move(links));
    // The sheet's comments, and threaded comments, each at its cell.
    for (const auto& [id, rel] : ReadRelationships(zip_, part)) {
      if (rel.first == "pivotTable" && !rel.second.empty() && !zip_.find(rel.second).empty()) {
        readPivotTable(sheet, rel.second);
        continue;
      }
      const char* kind = rel.first == "comments" ? part::kComments
                         : rel.first == "threadedComment" ? part::kThreadedComments
                                                          : nullptr;
      if (!kind || rel.second.empty() || zip_.find(rel.second).empty()) continue;
      XmlStream notes(zip_, rel.second);
      const char* element = kind == part::kComments ? "comment" : "threadedComment";
      while (notes.next()) {
        if (notes.isStart() && notes.name() == element) anchor(kind, index, areas(notes.attr("ref")));
      }
    }
  }

  // A pivot table's name and the cells it covers.
  void readPivotTable(SheetContent& sheet, const std::string& part) {
    budget_.hold();
    SheetContent::PivotTable table;
    XmlStream xml(zip_, part);
    while (xml.next()) {
      if (!xml.isStart()) continue;
      if (xml.name() == "pivotTableDefinition") table.name = xml.attr("name");
      if (xml.name() == "location" && ParseAreaName(xml.attr("ref"), table.area)) {
        sheet.pivotTables.push_back(std::move(table));
        return;
      }
    }
  }

  void readCell(XmlStream& xml, SheetContent& sheet, int row, int column,
                std::map<std::string, std::pair<std::shared_ptr<const std::string>, std::pair<int, int>>>& shared,
                std::vector<std::pair<CellArea, std::shared_ptr<const std::string>>>& arrays) {
    const std::string type = xml.attr("t");
    const size_t xf = static_cast<size_t>(std::strtoul(xml.attr("s").c_str(), nullptr, 10));
    const int depth = xml.depth();
    std::optional<std::string> v;
    std::optional<RichText> inline_;
    std::optional<TextFormula> formula;
    while (xml.nextInside(depth, "c")) {
      if (xml.name() == "v") {
        v = xml.text();
      } else if (xml.name() == "is") {
        inline_ = readRich(xml);
      } else if (xml.name() == "f") {
        const std::string kind = xml.attr("t"), si = xml.attr("si"), ref = xml.attr("ref");
        auto text = std::make_shared<const std::string>(xml.text());
        formula = TextFormula{text, 0, 0};
        if (kind == "shared" && !si.empty()) {
          if (!text->empty()) {
            shared[si] = {text, {row, column}};
          } else if (const auto it = shared.find(si); it != shared.end()) {
            formula = TextFormula{it->second.first, row - it->second.second.first, column - it->second.second.second};
          } else {
            formula = TextFormula{};
          }
        } else if (kind == "array") {
          CellArea area;
          if (ParseAreaName(ref, area)) arrays.push_back({area, text});
        } else if (kind == "dataTable") {
          formula = TextFormula{};
        }
      }
    }
    if (!formula) {  // a cell of an array formula's range holds its result
      for (const auto& [area, text] : arrays) {
        if (row >= area.firstRow && row <= area.lastRow && column >= area.firstColumn && column <= area.lastColumn) {
          formula = TextFormula{text, 0, 0};
          break;
        }
      }
    }
    // TRUE() and FALSE() are how the office writes the truth values it read.
    if (formula && formula->text && type == "b" && (*formula->text == "TRUE()" || *formula->text == "FALSE()")) {
      formula.reset();
    }
    CellValue cell;
    cell.formula = formula.has_value();
    // No stored result (generators write "<v></v>" and have the file computed
    // when it is opened): whatever result the saved file holds is no difference.
    cell.volatileFormula = formula && (!v || (v->empty() && (type.empty() || type == "n")));
    const RichText* rich = nullptr;
    if (type == "s" && v) {
      const size_t index = static_cast<size_t>(std::strtoul(v->c_str(), nullptr, 10));
      if (index < strings_.size()) rich = &strings_[index];
      cell.kind = ValueKind::Text;
      cell.text = rich ? rich->text : "";
    } else if (type == "inlineStr" && inline_) {
      rich = &*inline_;
      cell.kind = ValueKind::Text;
      cell.text = rich->text;
    } else if (type == "e" || (type == "str" && formula && v && IsErrorText(*v))) {
      if (!v) return;
      cell.kind = ValueKind::Error;
      cell.text = *v;
    } else if (type == "str" || type == "inlineStr" || type == "d") {
      cell.kind = ValueKind::Text;
      cell.text = Unescape(v.value_or(""));
    } else if (type == "b") {
      if (!v) return;
      cell.kind = ValueKind::Bool;
      cell.text = *v == "1" || *v == "true" ? "TRUE" : "FALSE";
    } else if (v && !v->empty()) {
      cell.kind = ValueKind::Number;
      cell.text = NumberText(std::strtod(v->c_str(), nullptr));
    } else if (!formula) {
      // A blank cell, maybe with a style: no value to compare, only a fill that shows.
      if (std::string fill = cellFill(xf); !fill.empty()) {
        budget_.hold();
        sheet.blankFills[{row, column}] = std::move(fill);
      }
      return;
    }
    budget_.hold();
    cell.font = cellFace(xf);
    cell.fill = cellFill(xf);
    cell.numberFormat = cellNumberFormat(xf);
    if (rich && !rich->runs.empty()) {
      std::vector<TextRun> runs{{0, cell.font}};
      for (const Run& run : rich->runs) {
        const std::string face = run.face.value_or(cell.font);
        if (run.first == 0) runs.clear();
        if (runs.empty() || runs.back().font != face) runs.push_back({run.first, face});
      }
      if (runs.size() >= 2) cell.runs = std::move(runs);
    }
    sheet.cells[{row, column}] = std::move(cell);
    if (formula) sheet.textFormulas[{row, column}] = *formula;
  }

  void countParts() {
    if (const std::string connections = zip_.find("xl/connections.xml"); !connections.empty()) {
      XmlStream xml(zip_, connections);
      while (xml.next()) content_.parts[part::kDataQueries] += xml.isStart() && xml.name() == "connection";
    }
    struct Place {
      const char* kind;
      std::string_view folder, stem, extension;
    };
    static constexpr Place kByName[] = {{part::kCharts, "xl/charts/", "chart", ".xml"},
                                        {part::kPivotTables, "xl/pivotTables/", "", ".xml"},
                                        {part::kPivotCaches, "xl/pivotCache/", "pivotCacheDefinition", ".xml"},
                                        {part::kTables, "xl/tables/", "", ".xml"},
                                        {part::kExternalLinks, "xl/externalLinks/", "", ".xml"},
                                        {part::kImages, "xl/media/", "", ""},
                                        {part::kDataQueries, "xl/queryTables/", "", ".xml"}};
    for (const Place& place : kByName) {
      for (const std::string& name : zip_.names()) {
        content_.parts[place.kind] += PartNameIn(name, place.folder, place.stem, place.extension);
      }
    }
    countShapes();
  }

  // Shapes drawn on sheets: DrawingML shapes and connectors, and legacy VML
  // shapes other than comments' boxes (lines, rectangles, form controls). The
  // office may write a VML shape as DrawingML, so both count as one kind.
  void countShapes() {
    for (const std::string& name : zip_.names()) {
      const bool isDrawing = PartNameIn(name, "xl/drawings/", "", ".xml");
      const bool isVml = PartNameIn(name, "xl/drawings/", "", ".vml");
      if (!isDrawing && !isVml) continue;
      const std::string text = zip_.bytes(name, kMaxShapePartBytes);
      budget_.inflate(text.size());
      const size_t shapes = isDrawing ? CountDrawingShapes(text) : CountVmlShapes(text);
      if (shapes) content_.parts[part::kShapes] += shapes;
    }
  }

  ReadBudget budget_;
  ZipPackage zip_;
  XlsContent content_;
  Theme theme_;
  std::vector<uint32_t> palette_;
  std::vector<std::string> fonts_;
  Face firstFont_;  // the workbook's default font: what a run's properties are over
  std::vector<std::string> fills_;
  std::map<unsigned long, std::string> numberFormats_;  // the workbook's own codes as they show, by id
  std::vector<Xf> xfs_;
  std::vector<RichText> strings_;
  bool activeRead_ = false;
};

}  // namespace

XlsContent ReadOoxmlContent(const std::string& path) { return OoxmlReader(path).read(); }

}  // namespace sheetwise::verify

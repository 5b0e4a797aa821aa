#pragma once
// What a workbook holds, read without the office: the sheet list with
// visibility and type, every cell's value (formulas with their stored
// results), the font of each cell and the font runs of its text, formulas'
// expressions, merged areas, the macro project, the container's top-level
// entries (.xls) or the parts a user would miss if lost (.xlsx, .xlsm, .ods).
// The same model for every format, so that one comparison serves them all.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/Translate.h"
#include "verify/FormulaTokens.h"

namespace sheetwise::verify {

enum class ValueKind { Number, Text, Bool, Error };

// A stretch of a cell's text in one font, from a character (UTF-16 units, from 0) on.
struct TextRun {
  int first = 0;
  std::string font;  // name, size, and what else sets it apart: "Arial 10pt bold #FF0000"
  bool operator==(const TextRun&) const = default;
};

struct CellValue {
  ValueKind kind = ValueKind::Text;
  std::string text;      // the value as text: numbers exactly, TRUE/FALSE, #N/A...
  bool formula = false;  // the value is a formula's stored result
  bool volatileFormula = false;  // a formula computed at every load (RAND, NOW, INDIRECT...)
  std::string font;      // the name of the cell's font
  std::vector<TextRun> runs;  // a text in several fonts, from the first run; empty for one font
  // How the cell shows beyond its font (.xlsx, .ods; CellLooks.h): its fill, "" for
  // none, and its number format written out, "" for General.
  std::string fill;
  std::string numberFormat;
};

// Cells from the first to the last row and column, inclusive, from 1.
struct CellArea {
  int firstRow = 0, firstColumn = 0, lastRow = 0, lastColumn = 0;
  auto operator<=>(const CellArea&) const = default;
};

// A formula kept as its text (.xlsx: "SUM(A1:B2)", .ods: "of:=SUM([.A1:.B2])"),
// written for the cell rowShift rows and columnShift columns before this one
// (a shared formula's first cell); no text when it cannot be read.
struct TextFormula {
  std::shared_ptr<const std::string> text;
  int rowShift = 0, columnShift = 0;
};

// A link from cells: where it leads as written (a file, a web address; "#"
// and the place inside it where it names one), and the tip shown over it.
struct Hyperlink {
  CellArea area;
  std::string target;
  std::string tip;
  auto operator<=>(const Hyperlink&) const = default;
};

// A column's width in 1/256 of a character: its own or the sheet's standard
// one, which hold the padding Excel adds, or the sheet's default in whole
// characters, to which Excel adds less than one character of padding.
struct ColumnWidth {
  int width = 0;
  bool unpadded = false;
  bool operator==(const ColumnWidth&) const = default;
};

struct SheetContent {
  std::string name;
  int visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
  int type = 0;        // 0 worksheet, 1 macro sheet, 2 chart sheet, 6 module
  std::map<std::pair<int, int>, CellValue> cells;  // (row, column), from 1
  std::map<std::pair<int, int>, std::vector<uint8_t>> formulas;  // each formula cell's expression (.xls)
  std::vector<SharedFormula> sharedFormulas;                      // shared and array formulas (.xls)
  std::map<std::pair<int, int>, TextFormula> textFormulas;        // each formula cell's text (.xlsx, .ods)
  std::vector<CellArea> merged;                                   // merged areas
  std::string frozenAt;  // the first cell below and right of frozen panes ("B2"); "" when none (.xlsx, .ods)
  // Hidden rows and columns, as spans from 1 (first, last), inclusive, within the format's sheet size.
  std::vector<std::pair<int, int>> hiddenRows, hiddenColumns;
  // Each column's width, from the first column (.xls).
  std::vector<ColumnWidth> columnWidths;
  std::vector<Hyperlink> hyperlinks;
  // The fills of cells written without a value, where one shows (.xlsx, .ods):
  // a fill shows on a blank cell; its font and number format do not.
  std::map<std::pair<int, int>, std::string> blankFills;
  // The fills of rows and columns with a style of their own, which cells not
  // written one by one show: a row's before its column's ("" for none).
  std::map<int, std::string> rowFills;
  std::vector<std::pair<std::pair<int, int>, std::string>> columnFills;  // (first, last) columns, from 1
  // Pivot tables placed on the sheet (.xlsx): the office lays them out anew
  // when it saves, so what differs inside one is told once, as the table.
  struct PivotTable {
    std::string name;
    CellArea area;
  };
  std::vector<PivotTable> pivotTables;
};

enum class FileFormat { Xls, Xlsx, Ods };

// A thing bound to cells (a comment, a data validation, a conditional format):
// its kind (one of part::), its sheet and the cells it applies to, so that
// one the rules deleted or cleared is not missed.
struct AnchoredPart {
  const char* kind = nullptr;
  int sheet = 0;
  std::vector<CellArea> areas;
};

struct XlsContent {
  std::vector<SheetContent> sheets;
  int activeSheet = 0;             // zero-based, as WINDOW1 stores it
  std::vector<std::string> fonts;  // the font table's names, in order (cells name theirs)
  std::string macroStorage;        // a digest of every stream below _VBA_PROJECT_CUR; "" without one
  FormulaLinks links;              // what formulas refer through: other books, sheet ranges, names
  std::vector<std::string> entries;  // the names of the container's top-level streams and storages
  std::map<std::string, std::string> entryBytes;  // a digest of each entry kept byte for byte, by EntryKey
  FileFormat format = FileFormat::Xls;
  int lastRow = 65536, lastColumn = 256;  // the format's sheet size
  std::map<std::string, size_t> parts;    // how many of each kind a user would miss (part::), where counted
  std::vector<AnchoredPart> anchored;     // those bound to cells, one by one
};

// The kinds of things a package holds that a user would miss if the office
// dropped them, counted in .xlsx, .xlsm and .ods (the words name them in reports).
namespace part {
inline constexpr const char* kCharts = N_("charts");
inline constexpr const char* kImages = N_("images");
inline constexpr const char* kShapes = N_("drawn shapes");
inline constexpr const char* kComments = N_("comments");
inline constexpr const char* kThreadedComments = N_("threaded comments");
inline constexpr const char* kPivotTables = N_("pivot tables");
inline constexpr const char* kPivotCaches = N_("pivot caches");
inline constexpr const char* kTables = N_("tables");
inline constexpr const char* kValidations = N_("data validations");
inline constexpr const char* kConditionalFormats = N_("conditional formats");
inline constexpr const char* kDefinedNames = N_("defined names");
inline constexpr const char* kExternalLinks = N_("external links");
inline constexpr const char* kDataQueries = N_("data queries and connections");
inline constexpr const char* kWorkbookProtection = N_("workbook protection");
}  // namespace part

// What one reading may hold, so that the check of a save (two readings at a
// time) stays within a fixed amount of memory whatever a file claims: its
// workbook stream, and its entries: the cells of all its sheets together (a
// sheet listed twice counts twice), its shared texts, sheets and fonts.
inline constexpr size_t kMaxStreamBytesRead = 64u << 20;
inline constexpr size_t kMaxEntriesRead = 1'000'000;
// What the parts of a zip package may inflate to in one reading (streamed: time, not memory).
inline constexpr size_t kMaxUnzippedBytesRead = 4 * kMaxStreamBytesRead;

// Throws host::HostError, saying why without naming the file, when it cannot
// be read as an Excel 97-2003 workbook or holds more than the limits above.
XlsContent ReadXlsContent(const std::string& path);

// Any workbook the check reads, its format told by its content, never its
// name: an OLE2 container (.xls; an encrypted .xlsx is refused), a zip with
// [Content_Types].xml (.xlsx, .xlsm), a zip whose mimetype is a spreadsheet
// (.ods). Throws host::HostError, saying why, like ReadXlsContent.
XlsContent ReadWorkbookContent(const std::string& path);
XlsContent ReadOoxmlContent(const std::string& path);
XlsContent ReadOdsContent(const std::string& path);

// The value in the user's words: a number, a quoted text, "empty", a formula's result.
std::string DescribeValue(const CellValue& value);

}  // namespace sheetwise::verify

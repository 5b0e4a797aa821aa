#include "verify/XlsContent.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

#include "host/CompoundFileCheck.h"
#include "host/HostError.h"
#include "host/OleFile.h"
#include "host/Translate.h"
#include "rules/Utf8Text.h"
#include "verify/BiffText.h"
#include "verify/CellFills.h"
#include "verify/ContainerEntries.h"
#include "verify/FontFaces.h"
#include "verify/Hyperlinks.h"
#include "verify/LittleEndian.h"
#include "verify/MacroProject.h"

namespace sheetwise::verify {
namespace {
using host::HostError;

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kWindow1 = 0x003D, kFont = 0x0031,
                   kXf = 0x00E0, kFilePass = 0x002F, kNumber = 0x0203, kRk = 0x027E, kLabelSst = 0x00FD, kLabel = 0x0204,
                   kBoolErr = 0x0205, kFormula = 0x0006, kString = 0x0207, kMulRk = 0x00BD,
                   kSst = 0x00FC, kContinue = 0x003C, kPalette = 0x0092, kName = 0x0018, kExternSheet = 0x0017,
                   kSupBook = 0x01AE, kExternName = 0x0023, kSharedFormula = 0x04BC, kArray = 0x0221,
                   kRow = 0x0208, kColInfo = 0x007D, kHlink = 0x01B8, kHlinkTooltip = 0x0800,
                   kBlank = 0x0201, kMulBlank = 0x00BE, kDefColWidth = 0x0055, kStandardWidth = 0x0099,
                   kMergedCells = 0x00E5;

double F64(const uint8_t* p) {
  double value;
  std::memcpy(&value, p, 8);
  return value;
}

// The shortest text that reads back as the same number: two numbers are the
// same exactly when their texts are, and a report shows 0.1, not 0.10000000000000001.
std::string NumberText(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

double RkValue(uint32_t rk) {
  double value;
  if (rk & 2) {
    value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, 8);
  }
  return (rk & 1) ? value / 100 : value;
}

std::string ErrorText(uint8_t code) {
  switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#ERR" + std::to_string(code);
  }
}

struct Record {
  uint16_t id;
  const uint8_t* data;
  uint16_t size;
};

// The records of a workbook stream held in memory, from a given offset.
class Records {
 public:
  explicit Records(const std::vector<uint8_t>& stream) : stream_(stream) {}
  void seek(size_t offset) { pos_ = offset; }
  std::optional<uint16_t> peekId() const {
    if (pos_ + 4 > stream_.size()) return std::nullopt;
    return U16(stream_.data() + pos_);
  }
  std::optional<Record> next() {
    if (pos_ + 4 > stream_.size()) return std::nullopt;
    const uint8_t* header = stream_.data() + pos_;
    const uint16_t size = U16(header + 2);
    if (pos_ + 4 + size > stream_.size()) return std::nullopt;
    pos_ += 4 + size;
    return Record{U16(header), header + 4, size};
  }

 private:
  const std::vector<uint8_t>& stream_;
  size_t pos_ = 0;
};

[[noreturn]] void TooLarge() {
  throw HostError(Tr("it holds more than %s cells, texts and sheets or %s MB of records, more than the check reads",
                     {std::to_string(kMaxEntriesRead), std::to_string(kMaxStreamBytesRead >> 20)}));
}

std::vector<uint8_t> ReadAll(GsfInput* input) {
  if (static_cast<uint64_t>(gsf_input_size(input)) > kMaxStreamBytesRead) TooLarge();
  std::vector<uint8_t> bytes(static_cast<size_t>(gsf_input_size(input)));
  if (!bytes.empty() && !gsf_input_read(input, bytes.size(), bytes.data())) bytes.clear();
  return bytes;
}

// A shared string with its font runs: (first character, font index), the
// characters counted in UTF-16 units as its length is.
struct SharedString {
  std::string text;
  std::vector<std::pair<uint16_t, uint16_t>> runs;
  uint16_t length = 0;
};

// The shared string table, whose strings run on through CONTINUE records; a
// string's characters that cross into the next record start again with a
// byte that says whether they are one or two bytes wide.
class SharedStrings {
 public:
  void add(const Record& r) { segments_.push_back({r.data, r.size}); }

  // most: how many strings the reading may still hold.
  std::vector<SharedString> read(size_t most) {
    std::vector<SharedString> strings;
    skip(4);
    const uint32_t unique = u32();
    for (uint32_t i = 0; i < unique && !atEnd(); ++i) {
      if (strings.size() == most) TooLarge();
      strings.push_back(one());
    }
    return strings;
  }

 private:
  struct Segment {
    const uint8_t* data;
    size_t size;
  };
  bool atEnd() const { return segment_ >= segments_.size(); }
  bool normalise() {
    while (!atEnd() && offset_ >= segments_[segment_].size) {
      ++segment_;
      offset_ = 0;
    }
    return !atEnd();
  }
  uint8_t byte() {
    if (!normalise()) return 0;
    return segments_[segment_].data[offset_++];
  }
  uint16_t u16() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
  uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
  void skip(size_t n) {
    while (n > 0 && normalise()) {
      const size_t step = std::min(n, segments_[segment_].size - offset_);
      offset_ += step;
      n -= step;
    }
  }
  SharedString one() {
    const uint16_t cch = u16();
    const uint8_t flags = byte();
    bool wide = flags & 1;
    const uint16_t runs = (flags & 8) ? u16() : 0;
    const uint32_t extra = (flags & 4) ? u32() : 0;
    std::string text;
    uint32_t pendingHigh = 0;
    for (uint16_t i = 0; i < cch; ++i) {
      const size_t before = segment_;
      if (!normalise()) break;
      if (segment_ != before) wide = byte() & 1;  // the characters go on in a CONTINUE
      uint32_t c = wide ? u16() : byte();
      if (c >= 0xD800 && c < 0xDC00) {
        pendingHigh = c;
        continue;
      }
      if (pendingHigh && c >= 0xDC00 && c < 0xE000) c = 0x10000 + ((pendingHigh - 0xD800) << 10) + (c - 0xDC00);
      pendingHigh = 0;
      rules::AppendUtf8(text, c);
    }
    SharedString string{std::move(text), {}, cch};
    for (uint16_t i = 0; i < runs && !atEnd(); ++i) {
      const uint16_t first = u16();
      string.runs.emplace_back(first, u16());
    }
    skip(extra);
    return string;
  }

  std::vector<Segment> segments_;
  size_t segment_ = 0;
  size_t offset_ = 0;
};

struct Globals {
  std::vector<size_t> sheetOffsets;
  std::vector<uint16_t> xfFonts;
  std::vector<SharedString> strings;
  std::vector<std::string> fontFaces;  // the font table described, for text runs
  std::vector<std::shared_ptr<const std::string>> xfFills;  // each XF's fill described; null for none
  size_t entriesLeft = kMaxEntriesRead;  // of the reading's budget
  void hold(size_t entries = 1) {
    if (entries > entriesLeft) TooLarge();
    entriesLeft -= entries;
  }
};

// The expression of cce bytes at offset at of a record; an expression cut
// short by the record's end holds a token no reader knows.
std::vector<uint8_t> Tokens(const Record& r, size_t at, size_t cce) {
  if (at > r.size || r.size - at < cce) return {0xFF};
  return std::vector<uint8_t>(r.data + at, r.data + at + cce);
}

// A built-in name by the one character that stands for it, as Excel shows it.
std::string BuiltInName(uint8_t code) {
  constexpr const char* kNames[] = {"Consolidate_Area", "Auto_Open",  "Auto_Close",    "Extract",
                                    "Database",         "Criteria",   "Print_Area",    "Print_Titles",
                                    "Recorder",         "Data_Form",  "Auto_Activate", "Auto_Deactivate",
                                    "Sheet_Title",      "_FilterDatabase"};
  return code < std::size(kNames) ? kNames[code] : "built-in " + std::to_string(code);
}

// A defined name: its name (a built-in one as Excel shows it, also where a
// writer spelled it out with the prefix "Excel_BuiltIn_"), the sheet it
// belongs to, and its expression.
DefinedName ReadName(const Record& r) {
  constexpr uint16_t kBuiltIn = 0x0020;
  constexpr std::string_view kSpelledOut = "Excel_BuiltIn_";
  DefinedName name;
  name.readable = r.size >= 15;
  if (!name.readable) return name;
  const size_t length = r.data[3];
  const bool wide = r.data[14] & 1;
  const size_t nameBytes = length * (wide ? 2 : 1);
  name.sheet = static_cast<int>(U16(r.data + 8)) - 1;
  if ((U16(r.data) & kBuiltIn) && length >= 1 && r.size >= 16) {
    name.name = BuiltInName(r.data[15]);
  } else {
    name.name = Characters(r.data + 15, r.data + r.size, length, wide);
    if (name.name.starts_with(kSpelledOut)) name.name.erase(0, kSpelledOut.size());
  }
  name.tokens = Tokens(r, 15 + nameBytes, U16(r.data + 4));
  return name;
}

// The records that say what formulas refer through; false for any other record.
bool ReadLink(const Record& r, FormulaLinks& links) {
  switch (r.id) {
    case kSupBook: {
      const uint16_t kind = r.size >= 4 ? U16(r.data + 2) : 0;
      LinkedBook book;
      book.kind = kind == 0x0401 ? LinkedBook::Kind::Self
                                 : kind == 0x3A01 ? LinkedBook::Kind::AddIn : LinkedBook::Kind::External;
      links.books.push_back(std::move(book));
      return true;
    }
    case kExternName:
      if (!links.books.empty()) {
        links.books.back().externNames.push_back(
            r.size >= 8 ? Characters(r.data + 8, r.data + r.size, r.data[6], r.data[7] & 1) : "");
      }
      return true;
    case kExternSheet:
      for (size_t i = 0, count = r.size >= 2 ? U16(r.data) : 0; i < count && 2 + 6 * i + 6 <= r.size; ++i) {
        const uint8_t* entry = r.data + 2 + 6 * i;
        links.sheetRanges.push_back({U16(entry), U16(entry + 2), U16(entry + 4)});
      }
      return true;
    case kName:
      links.names.push_back(ReadName(r));
      return true;
    default:
      return false;
  }
}

Globals ReadGlobals(Records& records, XlsContent& content) {
  const auto bof = records.next();
  if (!bof || bof->id != kBof || bof->size < 2 || U16(bof->data) != 0x0600) {
    throw HostError(Tr("it is not an Excel 97-2003 (BIFF8) workbook"));
  }
  Globals globals;
  FontFaces faces;
  Palette palette;
  std::vector<XfFill> fills;
  while (const auto r = records.next()) {
    if (r->id == kEof) break;
    if (r->id == kFilePass) throw HostError(Tr("it is encrypted"));
    if (ReadLink(*r, content.links)) continue;
    if (r->id == kBoundSheet && r->size >= 8) {
      SheetContent sheet;
      sheet.visibility = r->data[4] & 3;
      sheet.type = r->data[5];
      sheet.name = Characters(r->data + 8, r->data + r->size, r->data[6], r->data[7] & 1);
      globals.hold();
      content.sheets.push_back(std::move(sheet));
      globals.sheetOffsets.push_back(U32(r->data));
    } else if (r->id == kWindow1 && r->size >= 12) {
      content.activeSheet = U16(r->data + 10);
    } else if (r->id == kFont && r->size >= 16) {
      globals.hold();
      content.fonts.push_back(Characters(r->data + 16, r->data + r->size, r->data[14], r->data[15] & 1));
      faces.addFont(r->data, r->size, content.fonts.back());
    } else if (r->id == kPalette) {
      palette.set(r->data, r->size);
    } else if (r->id == kXf && r->size >= 2) {
      globals.xfFonts.push_back(U16(r->data));
      fills.push_back(ReadXfFill(r->data, r->size));
    } else if (r->id == kSst) {
      SharedStrings sst;
      sst.add(*r);
      while (records.peekId() == kContinue) sst.add(*records.next());
      globals.strings = sst.read(globals.entriesLeft);
      globals.hold(globals.strings.size());
    }
  }
  globals.fontFaces = faces.describe(palette);
  for (const XfFill& fill : fills) {
    std::string text = DescribeFill(fill, palette);
    globals.xfFills.push_back(text.empty() ? nullptr : std::make_shared<const std::string>(std::move(text)));
  }
  return globals;
}

// A HLINK record's link: its cells and its target (a URL, a file path with
// "../" for each level up, or a share), with "#" and the place inside it.
// None when the record is cut short.
std::optional<Hyperlink> ReadHlink(const Record& r) {
  constexpr uint32_t kHasMoniker = 0x01, kHasDescription = 0x14, kHasLocation = 0x08, kHasFrame = 0x80,
                     kIsShare = 0x100;
  constexpr uint8_t kUrlMoniker[] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                     0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
  if (r.size < 32) return std::nullopt;
  const uint8_t* p = r.data + 32;
  const uint8_t* const end = r.data + r.size;
  const auto room = [&](size_t n) { return static_cast<size_t>(end - p) >= n; };
  // A count of UTF-16 characters, then the characters (their last one a 0).
  const auto counted = [&](std::string& out) {
    if (!room(4)) return false;
    const uint32_t cch = U32(p);
    p += 4;
    if (!room(size_t{cch} * 2)) return false;
    out = Characters(p, p + size_t{cch} * 2, cch, true);
    if (!out.empty() && out.back() == '\0') out.pop_back();
    p += size_t{cch} * 2;
    return true;
  };
  Hyperlink link{{U16(r.data) + 1, U16(r.data + 4) + 1, U16(r.data + 2) + 1, U16(r.data + 6) + 1}, {}, {}};
  const uint32_t flags = U32(r.data + 28);
  std::string description, frame, location;
  if ((flags & kHasDescription) == kHasDescription && !counted(description)) return std::nullopt;
  if ((flags & kHasFrame) && !counted(frame)) return std::nullopt;
  if (flags & kIsShare) {
    if (!counted(link.target)) return std::nullopt;
  } else if (flags & kHasMoniker) {
    if (!room(16)) return std::nullopt;
    const bool url = std::memcmp(p, kUrlMoniker, 16) == 0;
    p += 16;
    if (url) {
      if (!room(4) || !room(4 + size_t{U32(p)})) return std::nullopt;
      link.target = Characters(p + 4, p + 4 + U32(p), U32(p) / 2, true);
      p += 4 + U32(p);
    } else {  // a file moniker: levels up, the short path, then the whole path in UTF-16 where there is one
      if (!room(6)) return std::nullopt;
      const uint16_t up = U16(p);
      const uint32_t length = U32(p + 2);
      p += 6;
      if (!room(size_t{length} + 28)) return std::nullopt;
      std::string path = Characters(p, p + length, length, false);
      p += length + 24;
      const uint32_t extra = U32(p);
      p += 4;
      if (!room(extra)) return std::nullopt;
      if (extra >= 6 && room(6 + size_t{U32(p)})) path = Characters(p + 6, p + 6 + U32(p), U32(p) / 2, true);
      p += extra;
      if (!path.empty() && path.back() == '\0') path.pop_back();
      for (uint16_t i = 0; i < up; ++i) link.target += "../";
      link.target += path;
    }
    if (!link.target.empty() && link.target.back() == '\0') link.target.pop_back();
  }
  if ((flags & kHasLocation) && counted(location)) link.target += "#" + location;
  link.target = TargetAsSeen(std::move(link.target));
  return link;
}

// Every cell with a value: numbers, texts, truth and error values, formula
// results; with the name of its font.
class SheetReader {
 public:
  SheetReader(const XlsContent& content, Globals& globals, SheetContent& sheet)
      : content_(content), globals_(globals), sheet_(sheet) {}

  void read(Records& records) {
    std::optional<std::pair<int, int>> pendingString;
    int depth = 0;
    while (const auto r = records.next()) {
      if (r->id == kBof) ++depth;
      if (r->id == kEof && --depth <= 0) break;
      if (depth > 1) continue;  // an embedded chart's records
      if (r->id == kString && pendingString && r->size >= 3) {
        auto& cell = sheet_.cells[*pendingString];
        cell.text = Characters(r->data + 3, r->data + r->size, U16(r->data), r->data[2] & 1);
        pendingString.reset();
        continue;
      }
      noteWidth(*r);
      if (r->size < 6) continue;
      const int row = U16(r->data) + 1;
      const int column = U16(r->data + 2) + 1;
      const uint16_t xf = U16(r->data + 4);
      switch (r->id) {
        case kNumber:
          if (r->size >= 14) number(row, column, xf, F64(r->data + 6));
          break;
        case kRk:
          if (r->size >= 10) number(row, column, xf, RkValue(U32(r->data + 6)));
          break;
        case kMulRk:
          for (int i = 0; 4 + i * 6 + 6 <= r->size - 2; ++i) {
            number(row, column + i, U16(r->data + 4 + i * 6), RkValue(U32(r->data + 6 + i * 6)));
          }
          break;
        case kLabelSst:
          if (r->size >= 10) sharedString(row, column, xf, U32(r->data + 6));
          break;
        case kLabel:
          if (r->size >= 9) text(row, column, xf, Characters(r->data + 9, r->data + r->size, U16(r->data + 6), r->data[8] & 1));
          break;
        case kBoolErr:
          if (r->size >= 8) {
            auto& cell = at(row, column, xf);
            cell.kind = r->data[7] ? ValueKind::Error : ValueKind::Bool;
            cell.text = r->data[7] ? ErrorText(r->data[6]) : (r->data[6] ? "TRUE" : "FALSE");
          }
          break;
        case kFormula:
          if (r->size >= 16 && formula(row, column, xf, r->data + 6, U16(r->data + 14) & 1)) {
            pendingString = {{row, column}};
          }
          expression(row, column, *r);
          break;
        case kSharedFormula:
          if (r->size >= 10) shared(*r, 8);
          break;
        case kArray:
          if (r->size >= 14) shared(*r, 12);
          break;
        case kBlank:
          blank(row, column, xf);
          break;
        case kMulBlank:
          for (int i = 0; 4 + i * 2 + 2 <= r->size - 2; ++i) blank(row, column + i, U16(r->data + 4 + i * 2));
          break;
        case kRow:  // fDyZero, or a height of 0 set by hand: the row is hidden
          if (r->size >= 14 && ((U16(r->data + 12) & 0x20) || U16(r->data + 6) == 0)) {
            sheet_.hiddenRows.emplace_back(row, row);
          }
          rowFill(*r, row);
          break;
        case kColInfo:  // fHidden, or a width of 0, for columns colFirst to colLast
          columnFill(*r, row, column);
          if (r->size >= 10 && ((U16(r->data + 8) & 0x01) || U16(r->data + 4) == 0)) {
            sheet_.hiddenColumns.emplace_back(row, std::min(column, content_.lastColumn));
          }
          break;
        case kMergedCells:  // areas as first and last row, first and last column
          for (size_t i = 0, count = U16(r->data); i < count && 2 + 8 * i + 8 <= r->size; ++i) {
            const uint8_t* area = r->data + 2 + 8 * i;
            globals_.hold();
            sheet_.merged.push_back({U16(area) + 1, U16(area + 4) + 1, U16(area + 2) + 1, U16(area + 6) + 1});
          }
          break;
        case kHlink:
          if (auto link = ReadHlink(*r)) {
            globals_.hold();
            sheet_.hyperlinks.push_back(std::move(*link));
          }
          break;
        case kHlinkTooltip:  // the tip of the link just read, after the cells it names
          if (r->size >= 12 && !sheet_.hyperlinks.empty()) {
            std::string& tip = sheet_.hyperlinks.back().tip;
            tip = Characters(r->data + 10, r->data + r->size, (r->size - 10) / 2, true);
            if (const auto end = tip.find('\0'); end != std::string::npos) tip.resize(end);
          }
          break;
        default:
          break;
      }
    }
    settleWidths();
    settleFills();
  }

 private:
  // The sheet's default column width and the widths COLINFO records give.
  void noteWidth(const Record& r) {
    if (r.id == kDefColWidth && r.size >= 2) {
      defaultCharacters_ = U16(r.data);
    } else if (r.id == kStandardWidth && r.size >= 2) {
      standardWidth_ = U16(r.data);
    } else if (r.id == kColInfo && r.size >= 6) {
      globals_.hold();
      widths_.push_back({U16(r.data), U16(r.data + 2), U16(r.data + 4)});
    }
  }
  // Each column's width: its COLINFO's, else the standard width, else the default in characters.
  void settleWidths() {
    const ColumnWidth fallback = standardWidth_ ? ColumnWidth{*standardWidth_, false} : ColumnWidth{defaultCharacters_ * 256, true};
    sheet_.columnWidths.assign(static_cast<size_t>(content_.lastColumn), fallback);
    for (const auto& [first, last, width] : widths_) {
      for (int column = first; column <= last && column < content_.lastColumn; ++column) {
        sheet_.columnWidths[static_cast<size_t>(column)] = {width, false};
      }
    }
  }

  const std::string& fontOf(uint16_t xf) const {
    static const std::string kNone;
    if (xf >= globals_.xfFonts.size()) return kNone;
    size_t font = globals_.xfFonts[xf];
    if (font >= 4) --font;  // font index 4 is never used
    return font < content_.fonts.size() ? content_.fonts[font] : kNone;
  }
  CellValue& at(int row, int column, uint16_t xf) {
    // Cells come in order as a rule: the end is the place to look first.
    const size_t before = sheet_.cells.size();
    const auto it = sheet_.cells.try_emplace(sheet_.cells.end(), std::pair{row, column});
    if (sheet_.cells.size() > before) globals_.hold();
    it->second.font = fontOf(xf);
    if (const auto fill = fillOf(xf)) it->second.fill = *fill;
    return it->second;
  }
  // The fill an XF gives; null for none.
  std::shared_ptr<const std::string> fillOf(uint16_t xf) const {
    return xf < globals_.xfFills.size() ? globals_.xfFills[xf] : nullptr;
  }
  // A blank cell's record: its fill, none among them, is settled at the end.
  void blank(int row, int column, uint16_t xf) {
    const auto [it, added] = blankRecords_.insert_or_assign({row, column}, xf);
    if (added) globals_.hold();
  }
  // The blank cells' fills, as the comparison takes them: kept where one
  // shows, or where the record hides its row's or column's; rows' and
  // columns' fills as spans.
  void settleFills() {
    for (const auto& [key, xf] : blankRecords_) {
      const auto fill = fillOf(xf);
      if (sheet_.cells.count(key)) continue;
      if (fill || rowFills_.count(key.first) || columnFills_.count(key.second)) {
        sheet_.blankFills[key] = fill ? *fill : "";
      }
    }
    for (const auto& [row, fill] : rowFills_) sheet_.rowFills[row] = *fill;
    for (const auto& [column, fill] : columnFills_) {
      auto& spans = sheet_.columnFills;
      if (!spans.empty() && spans.back().first.second == column - 1 && spans.back().second == *fill) {
        spans.back().first.second = column;
      } else {
        spans.push_back({{column, column}, *fill});
      }
    }
    blankRecords_.clear();
  }
  // The fill a ROW record gives the cells of its row without records of their own.
  void rowFill(const Record& r, int row) {
    constexpr uint16_t kGhostDirty = 0x80;
    if (r.size < 16 || !(U16(r.data + 12) & kGhostDirty)) return;
    if (auto fill = fillOf(U16(r.data + 14) & 0x0FFF)) {
      globals_.hold();
      rowFills_[row] = std::move(fill);
    }
  }
  // The fill a COLINFO record gives its columns' cells without a record or a row's fill.
  void columnFill(const Record& r, int first, int last) {
    if (r.size < 8) return;
    const auto fill = fillOf(U16(r.data + 6));
    for (int column = first; fill && column <= std::min(last, content_.lastColumn); ++column) {
      globals_.hold();
      columnFills_[column] = fill;
    }
  }
  void number(int row, int column, uint16_t xf, double value) {
    auto& cell = at(row, column, xf);
    cell.kind = ValueKind::Number;
    cell.text = NumberText(value);
  }
  void text(int row, int column, uint16_t xf, std::string value) {
    auto& cell = at(row, column, xf);
    cell.kind = ValueKind::Text;
    cell.text = std::move(value);
  }
  void sharedString(int row, int column, uint16_t xf, uint32_t index) {
    if (index >= globals_.strings.size()) return text(row, column, xf, "");
    const SharedString& string = globals_.strings[index];
    text(row, column, xf, string.text);
    if (!string.runs.empty()) sheet_.cells[{row, column}].runs = runsOf(string, faceOf(xf));
  }
  std::string faceOf(uint16_t xf) const { return faceAt(xf < globals_.xfFonts.size() ? globals_.xfFonts[xf] : 0); }
  std::string faceAt(size_t font) const {
    if (font >= 4) --font;  // font index 4 is never used
    return font < globals_.fontFaces.size() ? globals_.fontFaces[font] : "";
  }
  // The runs of a string whose text starts in the cell's own font: each where
  // its font differs from the one before, within the text.
  std::vector<TextRun> runsOf(const SharedString& string, const std::string& cellFace) const {
    std::vector<TextRun> runs{{0, cellFace}};
    for (const auto& [first, font] : string.runs) {
      if (first >= string.length) break;
      if (first == 0) runs.clear();
      if (runs.empty() || runs.back().font != faceAt(font)) runs.push_back({first, faceAt(font)});
    }
    if (runs.size() < 2) runs.clear();
    return runs;
  }

  // The expression of a FORMULA record.
  void expression(int row, int column, const Record& r) {
    sheet_.formulas[{row, column}] = r.size >= 22 ? Tokens(r, 22, U16(r.data + 20)) : std::vector<uint8_t>{0xFF};
  }
  // A SHRFMLA or ARRAY record: its range, then the expression's length at offset.
  void shared(const Record& r, size_t offset) {
    sheet_.sharedFormulas.push_back({U16(r.data) + 1, U16(r.data + 2) + 1, r.data[4] + 1, r.data[5] + 1,
                                     Tokens(r, offset + 2, U16(r.data + offset))});
  }

  // True when the result is a text held by the STRING record that follows.
  bool formula(int row, int column, uint16_t xf, const uint8_t* result, bool alwaysComputed) {
    auto& cell = at(row, column, xf);
    cell.formula = true;
    cell.volatileFormula = alwaysComputed;
    if (U16(result + 6) != 0xFFFF) {
      cell.kind = ValueKind::Number;
      cell.text = NumberText(F64(result));
      return false;
    }
    switch (result[0]) {
      case 0:
        cell.kind = ValueKind::Text;
        return true;
      case 1:
        cell.kind = ValueKind::Bool;
        cell.text = result[2] ? "TRUE" : "FALSE";
        return false;
      case 2:
        cell.kind = ValueKind::Error;
        cell.text = ErrorText(result[2]);
        return false;
      default:
        cell.kind = ValueKind::Text;
        cell.text.clear();
        return false;
    }
  }

 private:
  const XlsContent& content_;
  Globals& globals_;
  SheetContent& sheet_;
  int defaultCharacters_ = 8;
  // Each blank cell record's format, and the fills rows and columns give, until settled.
  std::map<std::pair<int, int>, uint16_t> blankRecords_;
  std::map<int, std::shared_ptr<const std::string>> rowFills_, columnFills_;
  std::optional<int> standardWidth_;
  struct ColumnsWidth {
    int first, last, width;  // columns from 0, width in 1/256 of a character
  };
  std::vector<ColumnsWidth> widths_;
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 1469598103934665603ull;
  for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

void DigestStorage(GsfInfile* storage, const std::string& prefix, std::string& digest);

// A stream's size and digest, or a storage's streams', each after its name.
void DigestEntry(GsfInput* entry, const std::string& name, std::string& digest) {
  if (GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0) {
    DigestStorage(GSF_INFILE(entry), name, digest);
    return;
  }
  const auto bytes = ReadAll(entry);
  char line[64];
  std::snprintf(line, sizeof line, " %zu %016llx;", bytes.size(), static_cast<unsigned long long>(Fnv1a(bytes)));
  digest += name + line;
}

void DigestStorage(GsfInfile* storage, const std::string& prefix, std::string& digest) {
  const int n = gsf_infile_num_children(storage);
  for (int i = 0; i < n; ++i) {
    host::GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (child) DigestEntry(child.get(), prefix + "/" + (gsf_infile_name_by_index(storage, i) ?: ""), digest);
  }
}

// The top-level entries' names, and the digests of those kept byte for byte.
void ReadEntries(GsfInfile* ole, XlsContent& content) {
  for (int i = 0, n = gsf_infile_num_children(ole); i < n; ++i) {
    const std::string name = gsf_infile_name_by_index(ole, i) ?: "";
    content.entries.push_back(name);
    const std::string key = EntryKey(name);
    if (!KeptByteForByte(key)) continue;
    host::GPtr<GsfInput> child(gsf_infile_child_by_index(ole, i));
    if (child) DigestEntry(child.get(), "", content.entryBytes[key]);
  }
}

}  // namespace

XlsContent ReadXlsContent(const std::string& path) {
  const auto notBiff8 = [] { return HostError(Tr("it is not an Excel 97-2003 (BIFF8) workbook")); };
  host::GPtr<GsfInfile> ole;
  try {
    ole = host::OpenOle(path);
  } catch (const host::DamagedContainer&) {
    throw;
  } catch (const HostError&) {
    throw notBiff8();
  }
  const auto book = host::ChildStream(ole.get(), "Workbook");
  if (!book) throw notBiff8();
  const auto stream = ReadAll(book.get());
  XlsContent content;
  Records records(stream);
  Globals globals = ReadGlobals(records, content);
  for (size_t i = 0; i < content.sheets.size(); ++i) {
    if (content.sheets[i].type == 2) continue;  // a chart sheet's numbers are its chart's, not cells
    SheetReader reader(content, globals, content.sheets[i]);
    records.seek(globals.sheetOffsets[i]);
    reader.read(records);
  }
  ReadEntries(ole.get(), content);
  content.macroStorage = MacroStorageDigest(ole.get());
  return content;
}

std::string MacroStorageDigest(GsfInfile* ole) {
  const auto vba = host::ChildStream(ole, "_VBA_PROJECT_CUR");
  if (!vba || !GSF_IS_INFILE(vba.get())) return "";
  std::string digest = "_VBA_PROJECT_CUR;";
  DigestStorage(GSF_INFILE(vba.get()), "", digest);
  return digest;
}

std::string DescribeValue(const CellValue& value) {
  std::string text;
  switch (value.kind) {
    case ValueKind::Text:
      text = value.text.empty() && !value.formula ? Tr("empty") : Tr("\"%s\"", {value.text});
      break;
    case ValueKind::Number: {
      // The shortest form that reads back as the same number: 0.1, not 0.10000000000000001.
      char shortest[32];
      const auto end = std::to_chars(shortest, shortest + sizeof shortest, std::strtod(value.text.c_str(), nullptr));
      text.assign(shortest, end.ptr);
      break;
    }
    default:
      text = value.text;
      break;
  }
  return value.formula ? Tr("formula result %s", {text}) : text;
}

}  // namespace sheetwise::verify

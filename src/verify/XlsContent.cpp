#include "verify/XlsContent.h"

#include <freexl.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "host/HostError.h"
#include "host/OleFile.h"

namespace sheetwise::verify {
namespace {
using host::HostError;

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kWindow1 = 0x003D, kFont = 0x0031,
                   kXf = 0x00E0, kNumber = 0x0203, kRk = 0x027E, kLabelSst = 0x00FD, kLabel = 0x0204,
                   kBoolErr = 0x0205, kFormula = 0x0006, kString = 0x0207, kMulRk = 0x00BD;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }
double F64(const uint8_t* p) {
  double value;
  std::memcpy(&value, p, 8);
  return value;
}

std::string NumberText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// cch characters at p, one byte each (Latin-1) or UTF-16LE; cut at the end of the data.
std::string Characters(const uint8_t* p, const uint8_t* end, size_t cch, bool wide) {
  std::string out;
  for (size_t i = 0; i < cch; ++i) {
    if (!wide) {
      if (p >= end) break;
      AppendUtf8(out, *p++);
      continue;
    }
    if (p + 2 > end) break;
    uint32_t c = U16(p);
    p += 2;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < cch && p + 2 <= end) {
      c = 0x10000 + ((c - 0xD800) << 10) + (U16(p) - 0xDC00);
      p += 2;
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
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

std::vector<uint8_t> ReadAll(GsfInput* input) {
  std::vector<uint8_t> bytes(static_cast<size_t>(gsf_input_size(input)));
  if (!bytes.empty() && !gsf_input_read(input, bytes.size(), bytes.data())) bytes.clear();
  return bytes;
}

struct Globals {
  std::vector<size_t> sheetOffsets;
  std::vector<uint16_t> xfFonts;
};

Globals ReadGlobals(Records& records, XlsContent& content, const std::string& path) {
  const auto bof = records.next();
  if (!bof || bof->id != kBof) throw HostError("not an Excel 97-2003 workbook: " + path);
  Globals globals;
  while (const auto r = records.next()) {
    if (r->id == kEof) break;
    if (r->id == kBoundSheet && r->size >= 8) {
      SheetContent sheet;
      sheet.visibility = r->data[4] & 3;
      sheet.type = r->data[5];
      sheet.name = Characters(r->data + 8, r->data + r->size, r->data[6], r->data[7] & 1);
      content.sheets.push_back(std::move(sheet));
      globals.sheetOffsets.push_back(U32(r->data));
    } else if (r->id == kWindow1 && r->size >= 12) {
      content.activeSheet = U16(r->data + 10);
    } else if (r->id == kFont && r->size >= 16) {
      content.fonts.push_back(Characters(r->data + 16, r->data + r->size, r->data[14], r->data[15] & 1));
    } else if (r->id == kXf && r->size >= 2) {
      globals.xfFonts.push_back(U16(r->data));
    }
  }
  return globals;
}

// Cells the file's own records describe: formula results, truth and error
// values; the font of every cell with a value.
class SheetReader {
 public:
  SheetReader(const XlsContent& content, const Globals& globals, SheetContent& sheet)
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
      if (r->size < 6) continue;
      const int row = U16(r->data) + 1;
      const int column = U16(r->data + 2) + 1;
      const uint16_t xf = U16(r->data + 4);
      switch (r->id) {
        case kNumber:
        case kRk:
        case kLabelSst:
        case kLabel:
          fontOnly(row, column, xf);
          break;
        case kMulRk:
          for (int i = 0; 4 + i * 6 + 6 <= r->size - 2; ++i) fontOnly(row, column + i, U16(r->data + 4 + i * 6));
          break;
        case kBoolErr:
          if (r->size >= 8) {
            auto& cell = at(row, column, xf);
            cell.kind = r->data[7] ? ValueKind::Error : ValueKind::Bool;
            cell.text = r->data[7] ? ErrorText(r->data[6]) : (r->data[6] ? "TRUE" : "FALSE");
          }
          break;
        case kFormula:
          if (r->size >= 14 && formula(row, column, xf, r->data + 6)) pendingString = {{row, column}};
          break;
        default:
          break;
      }
    }
  }

 private:
  std::string fontOf(uint16_t xf) const {
    if (xf >= globals_.xfFonts.size()) return "";
    size_t font = globals_.xfFonts[xf];
    if (font >= 4) --font;  // font index 4 is never used
    return font < content_.fonts.size() ? content_.fonts[font] : "";
  }
  CellValue& at(int row, int column, uint16_t xf) {
    auto& cell = sheet_.cells[{row, column}];
    cell.font = fontOf(xf);
    return cell;
  }
  void fontOnly(int row, int column, uint16_t xf) { fontsOfConstants_[{row, column}] = fontOf(xf); }

  // True when the result is a text held by the STRING record that follows.
  bool formula(int row, int column, uint16_t xf, const uint8_t* result) {
    auto& cell = at(row, column, xf);
    cell.formula = true;
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

 public:
  std::map<std::pair<int, int>, std::string> fontsOfConstants_;

 private:
  const XlsContent& content_;
  const Globals& globals_;
  SheetContent& sheet_;
};

// Numbers and texts of the constant cells, as FreeXL reads them.
class FreeXlBook {
 public:
  explicit FreeXlBook(const std::string& path) {
    if (freexl_open(path.c_str(), &handle_) != FREEXL_OK) {
      handle_ = nullptr;
      throw HostError("FreeXL cannot read " + path);
    }
  }
  ~FreeXlBook() {
    if (handle_) freexl_close(handle_);
  }
  FreeXlBook(const FreeXlBook&) = delete;
  FreeXlBook& operator=(const FreeXlBook&) = delete;

  void readConstants(SheetContent& sheet, const std::map<std::pair<int, int>, std::string>& fonts) {
    unsigned int count = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) return;
    for (unsigned short i = 0; i < count; ++i) {
      const char* name = nullptr;
      if (freexl_get_worksheet_name(handle_, i, &name) != FREEXL_OK || !name || sheet.name != name) continue;
      if (freexl_select_active_worksheet(handle_, i) != FREEXL_OK) return;
      unsigned int rows = 0;
      unsigned short columns = 0;
      if (freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK) return;
      for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
          const std::pair<int, int> key{static_cast<int>(r) + 1, c + 1};
          if (sheet.cells.count(key)) continue;  // formulas, truth and error values: read from the records
          FreeXL_CellValue value;
          if (freexl_get_cell_value(handle_, r, c, &value) != FREEXL_OK) continue;
          if (auto cell = Convert(value)) {
            const auto font = fonts.find(key);
            if (font != fonts.end()) cell->font = font->second;
            sheet.cells[key] = std::move(*cell);
          }
        }
      }
      return;
    }
  }

 private:
  static std::optional<CellValue> Convert(const FreeXL_CellValue& value) {
    switch (value.type) {
      case FREEXL_CELL_INT:
        return CellValue{ValueKind::Number, NumberText(value.value.int_value), false, ""};
      case FREEXL_CELL_DOUBLE:
        return CellValue{ValueKind::Number, NumberText(value.value.double_value), false, ""};
      case FREEXL_CELL_TEXT:
      case FREEXL_CELL_SST_TEXT:
      case FREEXL_CELL_DATE:
      case FREEXL_CELL_DATETIME:
      case FREEXL_CELL_TIME: {
        const ValueKind kind = value.type == FREEXL_CELL_TEXT || value.type == FREEXL_CELL_SST_TEXT
                                   ? ValueKind::Text
                                   : ValueKind::Number;
        return CellValue{kind, value.value.text_value ? value.value.text_value : "", false, ""};
      }
      default:
        return std::nullopt;
    }
  }

  const void* handle_ = nullptr;
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 1469598103934665603ull;
  for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

void DigestStorage(GsfInfile* storage, const std::string& prefix, std::string& digest) {
  const int n = gsf_infile_num_children(storage);
  for (int i = 0; i < n; ++i) {
    host::GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (!child) continue;
    const std::string name = prefix + "/" + (gsf_infile_name_by_index(storage, i) ?: "");
    if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
      DigestStorage(GSF_INFILE(child.get()), name, digest);
    } else {
      const auto bytes = ReadAll(child.get());
      char line[64];
      std::snprintf(line, sizeof line, " %zu %016llx;", bytes.size(), static_cast<unsigned long long>(Fnv1a(bytes)));
      digest += name + line;
    }
  }
}

}  // namespace

XlsContent ReadXlsContent(const std::string& path) {
  const auto ole = host::OpenOle(path);
  const auto book = host::ChildStream(ole.get(), "Workbook");
  if (!book) throw HostError("not an Excel 97-2003 workbook: " + path);
  const auto stream = ReadAll(book.get());
  XlsContent content;
  Records records(stream);
  const Globals globals = ReadGlobals(records, content, path);
  FreeXlBook constants(path);
  for (size_t i = 0; i < content.sheets.size(); ++i) {
    SheetReader reader(content, globals, content.sheets[i]);
    records.seek(globals.sheetOffsets[i]);
    reader.read(records);
    constants.readConstants(content.sheets[i], reader.fontsOfConstants_);
  }
  if (const auto vba = host::ChildStream(ole.get(), "_VBA_PROJECT_CUR"); vba && GSF_IS_INFILE(vba.get())) {
    content.macroStorage = "_VBA_PROJECT_CUR;";
    DigestStorage(GSF_INFILE(vba.get()), "", content.macroStorage);
  }
  return content;
}

std::string DescribeValue(const CellValue& value) {
  std::string text;
  switch (value.kind) {
    case ValueKind::Text:
      text = "\"" + value.text + "\"";
      break;
    default:
      text = value.text;
      break;
  }
  return value.formula ? "=(" + text + ")" : text;
}

}  // namespace sheetwise::verify

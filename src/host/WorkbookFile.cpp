#include "host/WorkbookFile.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/NamedParts.h"
#include "host/OleFile.h"
#include "host/Translate.h"
#include "host/ZipPackage.h"
#include "host/AsciiCase.h"

namespace sheetwise::host {
namespace {

constexpr uint16_t kBof8 = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kColInfo = 0x007D;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// One BIFF record: its id and its data.
struct Record {
  uint16_t id;
  std::vector<uint8_t> data;
};

// Reads the records of a workbook stream in order.
class RecordReader {
 public:
  explicit RecordReader(GsfInput* stream) : stream_(stream) {}
  std::optional<Record> next() {
    const guint8* header = gsf_input_read(stream_, 4, nullptr);
    if (!header) return std::nullopt;
    Record record{U16(header), {}};
    const uint16_t length = U16(header + 2);
    if (length > 0) {
      const guint8* data = gsf_input_read(stream_, length, nullptr);
      if (!data) return std::nullopt;
      record.data.assign(data, data + length);
    }
    return record;
  }

 private:
  GsfInput* stream_;
};

std::string ReadHead(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string head(limit, '\0');
  in.read(head.data(), static_cast<std::streamsize>(limit));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

bool LooksLikeText(const std::string& head) {
  if (head.empty()) return false;
  size_t control = 0;
  for (unsigned char c : head) {
    if (c == 0) return false;
    if (c < 0x20 && c != '\n' && c != '\r' && c != '\t') ++control;
  }
  return control * 20 < head.size();
}

// Names what a file that is not an OLE2 container holds.
std::string DescribeForeign(const std::string& head) {
  if (head.rfind("PK\x03\x04", 0) == 0) return Tr("a ZIP archive that holds no workbook");
  const std::string lower = AsciiLower(head);
  if (lower.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos) {
    return Tr("an XML Spreadsheet 2003 file");
  }
  if (lower.find("<html") != std::string::npos || lower.find("<!doctype html") != std::string::npos ||
      lower.find("<table") != std::string::npos) {
    return Tr("an HTML file");
  }
  if (lower.find("<?xml") != std::string::npos) return Tr("an XML file");
  if (head.rfind("{\\rtf", 0) == 0) return Tr("an RTF document");
  if (head.rfind("%PDF", 0) == 0) return Tr("a PDF document");
  if (LooksLikeText(head)) return Tr("a text file");
  return Tr("a file of unknown type");
}

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw HostError(Tr("the office cannot read this kind of file: %s is %s, not a workbook (.xls, .xlsx, .xlsm or .ods)",
                     {path, what}));
}

bool IsOldBiffBof(const std::string& head) {
  if (head.size() < 4) return false;
  const auto b0 = static_cast<unsigned char>(head[0]);
  const auto b1 = static_cast<unsigned char>(head[1]);
  return b0 == 0x09 && (b1 == 0x00 || b1 == 0x02 || b1 == 0x04);
}

[[noreturn]] void RefuseEncrypted(const std::string& path) {
  throw HostError(Tr("the workbook is protected by a password: %s", {path}));
}

std::string DescribeOleWithoutWorkbook(const std::string& path, GsfInfile* ole) {
  // An encrypted .xlsx, .xlsm (or .docx): the package inside needs the password.
  if (ChildStream(ole, "EncryptedPackage") || ChildStream(ole, "EncryptionInfo")) RefuseEncrypted(path);
  if (ChildStream(ole, "WordDocument")) return Tr("a Word document");
  if (ChildStream(ole, "PowerPoint Document")) return Tr("a PowerPoint presentation");
  return Tr("a compound document without a workbook stream");
}

WorkbookFileInfo ReadGlobals(const std::string& path, GsfInput* stream, std::string filter) {
  RecordReader reader(stream);
  const auto bof = reader.next();
  if (!bof || bof->id != kBof8) throw HostError(Tr("the workbook is damaged: %s has no workbook header", {path}));
  WorkbookFileInfo info{std::move(filter), false, 0, WorkbookFormat::Xls};
  while (const auto record = reader.next()) {
    if (record->id == kEof) break;
    if (record->id == kFilePass) info.encrypted = true;
    // An encrypted stream's WINDOW1 cannot be read: the first tab stands.
    if (record->id == kWindow1 && !info.encrypted && record->data.size() >= 12) {
      info.activeTab = U16(record->data.data() + 10);
    }
  }
  return info;
}

constexpr const char* kXlsxMain = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr const char* kXlsmMain = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
constexpr const char* kOdsMime = "application/vnd.oasis.opendocument.spreadsheet";

const xmlNode* Children(const XmlDoc& doc) {
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  return root ? root->children : nullptr;
}

// Every element from node on and below, depth first, handed to visit until
// it returns true; walked through the tree's own links, however deep it is.
bool VisitElements(const xmlNode* node, const std::function<bool(const xmlNode*)>& visit) {
  const xmlNode* const top = node ? node->parent : nullptr;
  while (node) {
    if (node->type == XML_ELEMENT_NODE) {
      if (visit(node)) return true;
      if (node->children) {
        node = node->children;
        continue;
      }
    }
    while (node && node != top && !node->next) node = node->parent;
    node = node && node != top ? node->next : nullptr;
  }
  return false;
}

// A zip package whose main part no workbook format of the program has, in the user's terms.
std::string DescribeOtherPackage(const std::string& types) {
  if (types.find("wordprocessingml") != std::string::npos) return Tr("a Word document (.docx)");
  if (types.find("presentationml") != std::string::npos) return Tr("a PowerPoint presentation (.pptx)");
  if (types.find("spreadsheetml.template") != std::string::npos ||
      types.find("template.macroEnabled") != std::string::npos) {
    return Tr("an Excel template (.xltx, .xltm)");
  }
  if (types.find("ms-excel.sheet.binary") != std::string::npos) return Tr("an Excel binary workbook (.xlsb)");
  return Tr("a ZIP archive that holds no workbook");
}

// A part that only adds to what the program knows of a workbook: none when it
// is absent or larger than such a part ever is (the office reads the file alone).
std::optional<std::string> ReadOptionalPart(GsfInfile* zip, const std::string& name) {
  try {
    return ReadPart(zip, name);
  } catch (const HostError&) {
    return std::nullopt;
  }
}

// xl/workbook.xml (or wherever the main part is): the active tab of the first workbook view.
int OoxmlActiveTab(GsfInfile* zip, const std::string& mainPart) {
  const auto bytes = ReadOptionalPart(zip, mainPart);
  if (!bytes) return 0;
  int tab = 0;
  VisitElements(Children(ParseXml(*bytes)), [&](const xmlNode* node) {
    if (!Named(node, "workbookView")) return false;
    tab = std::atoi(Attribute(node, "activeTab").c_str());
    return true;
  });
  return std::max(tab, 0);
}

// The target of the first relationship of a relationships part whose type
// ends in "/type" ("styles"); "" when none.
std::string RelationshipTarget(const std::string& rels, const std::string& type) {
  std::string target;
  VisitElements(Children(ParseXml(rels)), [&](const xmlNode* node) {
    if (!Named(node, "Relationship") || !Attribute(node, "Type").ends_with("/" + type)) return false;
    target = Attribute(node, "Target");
    return true;
  });
  return target;
}

// The package's main part, as its relationships name it ("xl/workbook.xml"); "" when none.
std::string MainPartName(GsfInfile* zip) {
  const auto rels = ReadPart(zip, "_rels/.rels");
  if (!rels) return "";
  std::string target = RelationshipTarget(*rels, "officeDocument");
  if (!target.empty() && target.front() == '/') target.erase(0, 1);
  return target;
}

// The content type the package gives part: its own, or that of its extension.
std::string ContentTypeOf(const XmlDoc& types, const std::string& part) {
  const std::string extension = AsciiLower(std::filesystem::path(part).extension().string());
  std::string byExtension;
  for (const xmlNode* node = Children(types); node; node = node->next) {
    if (Named(node, "Override") && AsciiLower(Attribute(node, "PartName")) == "/" + AsciiLower(part)) {
      return Attribute(node, "ContentType");
    }
    if (Named(node, "Default") && "." + AsciiLower(Attribute(node, "Extension")) == extension) {
      byExtension = Attribute(node, "ContentType");
    }
  }
  return byExtension;
}

// The part a relationship of part points to by type ("styles"): its name in the package.
std::string RelatedPart(GsfInfile* zip, const std::string& part, const std::string& type) {
  const std::filesystem::path name(part);
  const std::string folder = name.parent_path().string();
  const auto rels = ReadOptionalPart(zip, (name.parent_path() / "_rels" / (name.filename().string() + ".rels")).string());
  if (!rels) return "";
  const std::string target = RelationshipTarget(*rels, type);
  if (target.empty()) return "";
  if (target.front() == '/') return target.substr(1);
  return (std::filesystem::path(folder) / target).lexically_normal().string();
}

// A style sheet without cell styles: Excel takes its first font for the normal
// style, the office keeps its own default.
void ReadDefaultFont(GsfInfile* zip, const std::string& mainPart, WorkbookFileInfo& info) {
  const std::string stylesPart = RelatedPart(zip, mainPart, "styles");
  const auto styles = stylesPart.empty() ? std::nullopt : ReadOptionalPart(zip, stylesPart);
  if (!styles) return;
  const XmlDoc doc = ParseXml(*styles);
  const xmlNode* fonts = nullptr;
  for (const xmlNode* node = Children(doc); node; node = node->next) {
    if (Named(node, "cellStyles")) return;
    if (Named(node, "fonts")) fonts = node;
  }
  const xmlNode* font = fonts ? fonts->children : nullptr;
  while (font && !Named(font, "font")) font = font->next;
  if (!font) return;
  for (const xmlNode* node = font->children; node; node = node->next) {
    if (Named(node, "name")) info.defaultFontName = Attribute(node, "val");
    if (Named(node, "sz")) info.defaultFontSize = std::atof(Attribute(node, "val").c_str());
  }
  if (info.defaultFontName.empty() || !(info.defaultFontSize > 0 && info.defaultFontSize < 410)) {
    info.defaultFontName.clear();
    info.defaultFontSize = 0;
  }
}

WorkbookFileInfo InspectOoxml(const std::string& path, GsfInfile* zip, const std::string& types) {
  const XmlDoc doc = ParseXml(types);
  if (!doc) throw HostError(Tr("the workbook is damaged: %s has unreadable content types", {path}));
  const std::string mainPart = MainPartName(zip);
  const std::string type = mainPart.empty() ? "" : ContentTypeOf(doc, mainPart);
  if (type != kXlsxMain && type != kXlsmMain) Refuse(path, DescribeOtherPackage(types));
  CheckNamedPartsPresent(zip, doc);
  WorkbookFileInfo info;
  info.format = type == kXlsmMain ? WorkbookFormat::Xlsm : WorkbookFormat::Xlsx;
  info.filterName = info.exportFilter =
      info.format == WorkbookFormat::Xlsm ? "Calc MS Excel 2007 VBA XML" : "Calc MS Excel 2007 XML";
  info.activeTab = OoxmlActiveTab(zip, mainPart);
  ReadDefaultFont(zip, mainPart, info);
  return info;
}

// settings.xml: the view's ActiveTable, a sheet name.
std::string OdsActiveSheet(GsfInfile* zip) {
  const auto bytes = ReadOptionalPart(zip, "settings.xml");
  if (!bytes) return "";
  std::string name;
  VisitElements(Children(ParseXml(*bytes)), [&](const xmlNode* node) {
    if (!Named(node, "config-item") || Attribute(node, "name") != "ActiveTable") return false;
    xmlChar* text = xmlNodeGetContent(node);
    name = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return true;
  });
  return name;
}

WorkbookFileInfo InspectOds(const std::string& path, GsfInfile* zip) {
  if (const auto manifest = ReadPart(zip, "META-INF/manifest.xml")) {
    const bool encrypted = VisitElements(Children(ParseXml(*manifest)),
                                         [](const xmlNode* node) { return Named(node, "encryption-data"); });
    if (encrypted) RefuseEncrypted(path);
  }
  WorkbookFileInfo info;
  info.format = WorkbookFormat::Ods;
  info.filterName = info.exportFilter = "calc8";
  info.activeSheetName = OdsActiveSheet(zip);
  return info;
}

WorkbookFileInfo InspectZip(const std::string& path, const std::string& head) {
  const auto zip = OpenZip(path);
  if (!zip) Refuse(path, DescribeForeign(head));
  if (const auto mime = ReadPart(zip.get(), "mimetype", 4096)) {
    if (*mime == kOdsMime) return InspectOds(path, zip.get());
    if (mime->rfind("application/vnd.oasis.opendocument.", 0) == 0) {
      Refuse(path, Tr("an OpenDocument file of another kind (%s)", {*mime}));
    }
  }
  const auto types = ReadPart(zip.get(), "[Content_Types].xml");
  if (!types) Refuse(path, DescribeForeign(head));
  return InspectOoxml(path, zip.get(), *types);
}

std::string LowerExtension(const std::string& path) { return AsciiLower(std::filesystem::path(path).extension().string()); }

}  // namespace

std::string FormatExtension(WorkbookFormat format) {
  switch (format) {
    case WorkbookFormat::Xlsx:
      return ".xlsx";
    case WorkbookFormat::Xlsm:
      return ".xlsm";
    case WorkbookFormat::Ods:
      return ".ods";
    case WorkbookFormat::Xls:
      break;
  }
  return ".xls";
}

std::string FormatDescription(WorkbookFormat format) {
  switch (format) {
    case WorkbookFormat::Xlsx:
      return Tr("an Office Open XML workbook (.xlsx)");
    case WorkbookFormat::Xlsm:
      return Tr("an Office Open XML workbook with macros (.xlsm)");
    case WorkbookFormat::Ods:
      return Tr("an OpenDocument spreadsheet (.ods)");
    case WorkbookFormat::Xls:
      break;
  }
  return Tr("an Excel 97-2003 workbook (.xls)");
}

std::optional<int> FormatRowLimit(WorkbookFormat format) {
  if (format == WorkbookFormat::Ods) return std::nullopt;
  return format == WorkbookFormat::Xls ? 65536 : 1048576;
}

std::optional<int> FormatColumnLimit(WorkbookFormat format) {
  if (format == WorkbookFormat::Ods) return std::nullopt;
  return format == WorkbookFormat::Xls ? 256 : 16384;
}

std::string MisnamedNotice(const std::string& path, WorkbookFormat format) {
  const std::string extension = LowerExtension(path);
  if (extension == FormatExtension(format)) return "";
  for (const auto other : {WorkbookFormat::Xls, WorkbookFormat::Xlsx, WorkbookFormat::Xlsm, WorkbookFormat::Ods}) {
    if (extension == FormatExtension(other)) {
      return Tr("the file is %s despite its name; it was edited and saved as such, under its own name",
                {FormatDescription(format)});
    }
  }
  return "";
}

WorkbookFileInfo InspectWorkbookFile(const std::string& path) {
  if (const auto reason = UnreadableReason(path)) throw HostError(*reason);
  if (const auto reason = NotUtf8Reason(path)) throw HostError(*reason);
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) == 0) Refuse(path, Tr("an empty file"));
  const std::string head = ReadHead(path, 4096);
  if (IsOldBiffBof(head)) return {"MS Excel 4.0", false, 0};
  if (head.rfind("PK\x03\x04", 0) == 0) return InspectZip(path, head);
  if (head.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) != 0) Refuse(path, DescribeForeign(head));

  const auto ole = OpenOle(path);
  if (auto book8 = ChildStream(ole.get(), "Workbook")) {
    return ReadGlobals(path, book8.get(), "MS Excel 97");
  }
  if (auto book5 = ChildStream(ole.get(), "Book")) return ReadGlobals(path, book5.get(), "MS Excel 95");
  Refuse(path, DescribeOleWithoutWorkbook(path, ole.get()));
}

std::optional<int> StoredColumnWidth(const std::string& path, int column) {
  const auto ole = OpenOle(path);
  auto stream = ChildStream(ole.get(), "Workbook");
  if (!stream) return std::nullopt;
  RecordReader reader(stream.get());
  int eofs = 0;
  while (const auto record = reader.next()) {
    if (record->id == kEof && ++eofs == 2) break;  // end of the first worksheet
    if (eofs == 1 && record->id == kColInfo && record->data.size() >= 6) {
      const int first = U16(record->data.data());
      const int last = U16(record->data.data() + 2);
      if (column >= first && column <= last) return U16(record->data.data() + 4);
    }
  }
  return std::nullopt;
}

}  // namespace sheetwise::host

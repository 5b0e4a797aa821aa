// Which reader a workbook needs, told by its first bytes and its container's
// parts, never by its name.

#include <fstream>

#include "host/HostError.h"
#include "host/OleFile.h"
#include "host/Translate.h"
#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::verify {
namespace {

// Whether the file's first megabytes hold name in UTF-16LE.
bool HoldsName(const std::string& path, std::u16string_view name) {
  std::string wanted;
  for (const char16_t c : name) wanted += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  std::string bytes(16u << 20, '\0');
  std::ifstream in(path, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes.find(wanted) != std::string::npos;
}

}  // namespace

XlsContent ReadWorkbookContent(const std::string& path) {
  char magic[8] = {};
  std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
  if (std::string_view(magic, 4) == std::string_view("PK\3\4", 4)) {
    bool ooxml = false, ods = false;
    {
      ReadBudget budget{kMaxEntriesRead, kMaxUnzippedBytesRead};
      const ZipPackage zip(path, budget);
      ooxml = !zip.find("[Content_Types].xml").empty();
      ods = !zip.find("mimetype").empty();
    }
    if (ooxml) return ReadOoxmlContent(path);
    if (ods) return ReadOdsContent(path);
    throw host::HostError(Tr("it is a zip package, but no workbook"));
  }
  if (std::string_view(magic, 8) != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return ReadXlsContent(path);
  try {
    return ReadXlsContent(path);
  } catch (const host::HostError&) {
    // No workbook stream: an encrypted .xlsx or .ods is a compound file too.
    bool encrypted = false;
    try {
      const auto ole = host::OpenOle(path);
      encrypted = host::ChildStream(ole.get(), "EncryptedPackage") != nullptr;
    } catch (const host::HostError&) {
      // A container the compound-file check refuses (an encrypted package
      // written with large sectors, say) still names its streams in UTF-16.
      encrypted = HoldsName(path, u"EncryptedPackage") && HoldsName(path, u"EncryptionInfo");
    }
    if (encrypted) throw host::HostError(Tr("it is encrypted"));
    throw;
  }
}

}  // namespace sheetwise::verify

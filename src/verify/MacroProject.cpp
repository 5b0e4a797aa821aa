#include "verify/MacroProject.h"

#include <fstream>
#include <string_view>

#include "host/OleFile.h"
#include "host/Translate.h"
#include "verify/XlsContent.h"
#include "verify/ZipParts.h"

namespace sheetwise::verify {
namespace {

std::string PackageMacroDigest(const std::string& path) {
  ReadBudget budget{kMaxEntriesRead, kMaxUnzippedBytesRead};
  const ZipPackage zip(path, budget);
  if (zip.find("[Content_Types].xml").empty()) return "";  // OpenDocument: no VBA project
  std::string workbook = "xl/workbook.xml", macros = "xl/vbaProject.bin";
  for (const auto& [id, rel] : ReadRelationships(zip, "")) {
    if (rel.first == "officeDocument") workbook = rel.second;
  }
  for (const auto& [id, rel] : ReadRelationships(zip, workbook)) {
    if (rel.first == "vbaProject") macros = rel.second;
  }
  return MacroPartsDigest(zip, macros);
}

}  // namespace

std::string MacroPartsDigest(const ZipPackage& zip, const std::string& project) {
  if (zip.find(project).empty()) return "";
  std::string digest = zip.digest(project);
  for (const auto& [id, rel] : ReadRelationships(zip, project)) {
    digest += " " + rel.first + " " + zip.digest(rel.second);
  }
  return digest;
}

std::string MacroProjectDigest(const std::string& path) {
  char magic[8] = {};
  std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
  if (std::string_view(magic, 4) == std::string_view("PK\3\4", 4)) return PackageMacroDigest(path);
  if (std::string_view(magic, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
    return MacroStorageDigest(host::OpenOle(path).get());
  }
  return "";  // a text or older binary file the office reads: no macro project
}

std::optional<std::string> MacroProjectChange(const std::string& source, const std::string& saved) {
  if (source == saved) return std::nullopt;
  return Tr("macros (VBA project): %s → %s",
            {source.empty() ? Tr("none") : Tr("present"), saved.empty() ? Tr("lost") : Tr("changed")});
}

}  // namespace sheetwise::verify

#include "batch/OutputNaming.h"

#include <filesystem>

#include "rules/TextReplace.h"

namespace sheetwise::batch {

using rules::ReplaceAll;

std::string MirroredFolder(const NamingRules& naming, const std::string& folder) {
  std::string target = ReplaceAll(folder, naming.sourceFolder, naming.saveFolder);
  if (!naming.pathFrom.empty()) target = ReplaceAll(target, naming.pathFrom, naming.pathTo);
  return target;
}

void MakeMirroredFolders(const NamingRules& naming, const std::vector<std::string>& folders) {
  for (const auto& folder : folders) {
    std::error_code ec;
    std::filesystem::create_directory(MirroredFolder(naming, folder), ec);
  }
}

std::string BuildOutputPath(const NamingRules& naming, const std::string& sourcePath) {
  const size_t slash = sourcePath.rfind('/');
  const size_t folderLength = slash == std::string::npos ? 0 : slash + 1;
  std::string folder = sourcePath.substr(0, folderLength);
  std::string name = sourcePath.substr(folderLength);

  if (!naming.nameFrom.empty()) name = ReplaceAll(name, naming.nameFrom, naming.nameTo);
  folder = ReplaceAll(folder, naming.sourceFolder, naming.saveFolder);
  name = naming.namePrefix + name;

  // Folder texts may or may not end in "/"; one pass turns the doubled separator
  // this join makes back into one.
  std::string out = ReplaceAll(folder + "/" + name, "//", "/");
  if (!naming.pathFrom.empty()) out = ReplaceAll(out, naming.pathFrom, naming.pathTo);
  return out;
}

std::optional<std::string> SaveSettingsProblem(const NamingRules& naming) {
  const std::string& save = naming.saveFolder;
  if (save.empty() || save == "/") return "保存的目录有误";
  if (!naming.pathFrom.empty() && save.find(naming.pathFrom) != std::string::npos) {
    return "如果你需要替换文件夹名，前提你保存的位置不能存在该字符";
  }
  return std::nullopt;
}

std::string MakeNamePrefix(const std::string& text, const std::string& date) { return ReplaceAll(text, "日期", date); }

}  // namespace sheetwise::batch

#include "batch/OutputNaming.h"

#include <sys/stat.h>

#include <cerrno>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "rules/TextReplace.h"

namespace sheetwise::batch {

using rules::ReplaceAll;

std::string MirroredFolder(const NamingRules& naming, const std::string& folder) {
  std::string target = ReplaceAll(folder, naming.sourceFolder, naming.saveFolder);
  if (!naming.pathFrom.empty()) target = ReplaceAll(target, naming.pathFrom, naming.pathTo);
  return target;
}

void MakeMirroredFoldersFor(const NamingRules& naming, const std::string& sourcePath) {
  const size_t end = sourcePath.rfind('/');
  if (end == std::string::npos) return;
  const std::string folder = sourcePath.substr(0, end + 1);
  const std::string& top = naming.sourceFolder;
  // From the source folder's own mirror down; a path outside it gets its own folder's only.
  size_t slash = !top.empty() && folder.starts_with(top) ? top.size() - 1 : end;
  for (; slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string mirrored = MirroredFolder(naming, folder.substr(0, slash + 1));
    if (::mkdir(mirrored.c_str(), 0777) != 0 && errno != EEXIST) {
      throw host::HostError(host::ReasonForError(errno, host::FileAction::CreateFolder, mirrored));
    }
  }
}

std::string OutputFileName(const NamingRules& naming, std::string name) {
  if (!naming.nameFrom.empty()) name = ReplaceAll(name, naming.nameFrom, naming.nameTo);
  return naming.namePrefix + name;
}

std::string BuildOutputPath(const NamingRules& naming, const std::string& sourcePath) {
  const size_t slash = sourcePath.rfind('/');
  const size_t folderLength = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = ReplaceAll(sourcePath.substr(0, folderLength), naming.sourceFolder, naming.saveFolder);
  const std::string name = OutputFileName(naming, sourcePath.substr(folderLength));

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

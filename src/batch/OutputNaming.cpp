#include "batch/OutputNaming.h"

#include <filesystem>

#include "rules/TextReplace.h"

namespace sheetwise::batch {

using rules::ReplaceAll;

std::string MirroredFolder(const ui::Form1& form, const std::string& folder) {
  std::string target = ReplaceAll(folder, form.Text4.text, form.Text5.text);
  if (!form.Text12.text.empty()) target = ReplaceAll(target, form.Text12.text, form.Text11.text);
  return target;
}

void MakeMirroredFolders(const ui::Form1& form) {
  if (form.Check1.value != 0) return;
  for (const auto& folder : form.List1.items) {
    std::error_code ec;
    std::filesystem::create_directory(MirroredFolder(form, folder), ec);
  }
}

std::string BuildOutputPath(const ui::Form1& form, const std::string& sourcePath) {
  const size_t slash = sourcePath.rfind('/');
  const size_t folderLength = slash == std::string::npos ? 0 : slash + 1;
  std::string folder = sourcePath.substr(0, folderLength);
  std::string name = sourcePath.substr(folderLength);

  if (!form.Text6.text.empty()) name = ReplaceAll(name, form.Text6.text, form.Text7.text);
  folder = ReplaceAll(folder, form.Text4.text, form.Text5.text);
  name = form.namePrefix + name;

  // Folder texts may or may not end in "/"; one pass turns the doubled separator
  // this join makes back into one.
  std::string out = ReplaceAll(folder + "/" + name, "//", "/");
  if (!form.Text12.text.empty()) out = ReplaceAll(out, form.Text12.text, form.Text11.text);
  return out;
}

std::string MakeNamePrefix(const std::string& text8, const std::string& date) {
  return ReplaceAll(text8, "日期", date);
}

}  // namespace sheetwise::batch

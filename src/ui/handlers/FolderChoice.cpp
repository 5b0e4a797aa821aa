#include "ui/handlers/FolderChoice.h"

#include "batch/FolderScan.h"
#include "ui/FormSettings.h"

namespace sheetwise::batch {
namespace {

constexpr const char* kNoSheetName = "表明不正确";

std::string WithTrailingSeparator(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string ScanSummary(size_t folderCount, size_t fileCount) {
  return std::to_string(folderCount) + "个目录路径\n" + std::to_string(fileCount) + "个文件\n" + "估计需要 " +
         EstimatedSeconds(fileCount) + " 秒";
}

}  // namespace

std::vector<SkippedEntry> ScanSourceFolder(ui::Form1& form) {
  FolderTree tree =
      ScanFolderTree(form.Text4.text, form.Check1.value == 1 ? "" : form.Text5.text, ui::KindsOf(form));
  form.List1 = ui::ListBox{std::move(tree.folders), -1, form.List1.enabled};
  form.List2 = ui::ListBox{tree.workbooks.strings(), -1, form.List2.enabled};
  return std::move(tree.skipped);
}

std::string BrowseForFolder(ui::Dialogs& dialogs, const std::string& prompt) { return dialogs.chooseFolder(prompt); }

void ChooseSourceFolder(ui::Form1& form, ui::Dialogs& dialogs) {
  if (form.Text9.text.empty()) {
    dialogs.message(kNoSheetName, ui::MessageStyle::Information);
    return;
  }
  form.Text4.text = WithTrailingSeparator(BrowseForFolder(dialogs, kChooseFolderPrompt));
  if (form.Text4.text == "/") return;  // cancelled
  const std::vector<SkippedEntry> skipped = ScanSourceFolder(form);
  // The counts, then what the scan passed over and why.
  std::string summary = ScanSummary(form.List1.items.size(), form.List2.items.size());
  for (const auto& entry : skipped) summary += "\n" + entry.reason;
  dialogs.message(summary, ui::MessageStyle::Plain);
}

void KindsChanged(ui::Form1& form) {
  if (ui::KindsOf(form).empty()) form.TypeXls.value = 1;
  const WorkbookKinds kinds = ui::KindsOf(form);
  form.Frame15.caption =
      kinds.xlsAlone() ? ui::kFrame15Caption : "文件列表[ 只针对 " + kinds.extensions(" ") + " 文件 ]";
  if (!form.Text4.text.empty() && form.Text4.text != "/") ScanSourceFolder(form);
}

void ChooseSaveFolder(ui::Form1& form, ui::Dialogs& dialogs) {
  form.Text5.text = WithTrailingSeparator(BrowseForFolder(dialogs, kChooseFolderPrompt));
  if (form.Text5.text == "/") form.Text5.text.clear();  // cancelled
}

}  // namespace sheetwise::batch

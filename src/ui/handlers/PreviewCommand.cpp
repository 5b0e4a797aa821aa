#include "ui/handlers/PreviewCommand.h"

#include <optional>

#include "batch/RunLog.h"
#include "host/HostError.h"
#include "host/TemporaryFolder.h"
#include "ui/FormSettings.h"
#include "ui/handlers/QuickAdd.h"
#include "verify/SheetName.h"

namespace sheetwise::rules {

namespace fs = std::filesystem;

namespace {

// The sheet named name, read from A1, and its position (from 1), by which it
// is found again in the copy, whatever the rules renamed it to.
struct SheetReading {
  ui::SheetTable table;
  int position = 0;
};

SheetReading ReadNamedSheet(host::Application& office, const std::string& path, const std::string& name) {
  auto workbook = office.open(path, host::OpenMode::ReadOnly);
  SheetReading reading{workbook->worksheet(name)->usedTable(), 1};
  while (!verify::SameSheetName(workbook->worksheetAt(reading.position)->name(), name)) ++reading.position;
  return reading;
}

ui::SheetTable ReadSheetAt(host::Application& office, const std::string& path, int position) {
  auto workbook = office.open(path, host::OpenMode::ReadOnly);
  return workbook->worksheetAt(position)->usedTable();
}

}  // namespace

batch::RunSettings PreviewSettings(const ui::Form1& main, const std::string& sample, const fs::path& folder) {
  batch::RunSettings settings = ui::RunSettingsOf(main);
  settings.inPlace = false;
  settings.naming = {fs::path(sample).parent_path().string() + "/", folder.string() + "/", "", "", "", "", ""};
  settings.beforeReplace = {};
  return settings;
}

std::string PreviewOutcome(const batch::WorkbookResult& result, const ui::SheetChanges& changes) {
  std::string changed = "有改动的单元格：" + std::to_string(changes.after.size()) + " 个（黄色）";
  if (changes.inserted() > 0) changed += "；插入的行：" + std::to_string(changes.inserted()) + " 行（绿色）";
  if (changes.deleted() > 0) changed += "；删除的行：" + std::to_string(changes.deleted()) + " 行（红色）";
  changed += "。";
  switch (result.outcome) {
    case batch::Outcome::Processed:
      if (result.differences.empty()) return changed + "\n保存后的检查：规则改动之外与样本相同。";
      return changed + "\n保存后的检查发现规则改动之外有 " + std::to_string(result.differences.size()) +
             " 处差异（见下）。";
    case batch::Outcome::Vetoed:
      return "否定条件成立：" + result.reason + "\n运行时这个文件会被忽略，不作修改。";
    case batch::Outcome::Failed:
      return "处理失败：" + result.reason + "\n运行时这个文件不会被修改。";
    case batch::Outcome::Skipped:
      return "跳过：" + result.reason;
    case batch::Outcome::Unchecked:
      return changed + "\n保存后的检查无法进行：" + result.reason;
  }
  return changed;
}

void PreviewCommand::command() {
  if (main_.Check2.value == 1) {
    dialogs_.message(kPreviewInExtraction, ui::MessageStyle::Plain);
    return;
  }
  if (main_.List3.items.empty()) {
    dialogs_.message(kPreviewWithoutRules, ui::MessageStyle::Plain);
    return;
  }
  const std::string sample = chosenSample();
  if (sample.empty()) return;
  std::optional<host::TemporaryFolder> folder;
  try {
    folder.emplace("sheetwise-preview-");
  } catch (const host::HostError& e) {
    dialogs_.message(kPreviewNoFolder + std::string(e.what()), ui::MessageStyle::Plain);
    return;
  }
  if (!SampleRead(dialogs_, [&] { tryOn(sample, folder->path()); })) return;
  preview_.visible = true;
  ++preview_.raiseRequests;
}

std::string PreviewCommand::chosenSample() {
  std::error_code ec;
  if (!main_.sampleWorkbook.empty() && fs::is_regular_file(main_.sampleWorkbook, ec)) return main_.sampleWorkbook;
  const std::string path = dialogs_.chooseFile(SampleFileFilter(main_));
  if (path.empty()) return "";
  if (!fs::is_regular_file(path, ec)) {
    dialogs_.message(kFileMissing, ui::MessageStyle::Plain);
    return "";
  }
  main_.sampleWorkbook = path;
  return path;
}

// The copy is read while its folder still stands; the folder goes, with all
// the office wrote into it, when the try is done.
void PreviewCommand::tryOn(const std::string& sample, const fs::path& folder) {
  const std::string sheetName = main_.Text9.text;
  const SheetReading before = ReadNamedSheet(office_, sample, sheetName);
  batch::CollectedLog log;  // the try's entries stay out of the error log
  const batch::WorkbookResult result =
      batch::WorkbookEngine(office_, log).ProcessWorkbook(sample, PreviewSettings(main_, sample, folder));
  ui::SamplePreview shown;
  shown.sample = sample;
  shown.sheetName = sheetName;
  shown.before = ui::GridOfSheet(before.table);
  if (!result.output.empty()) {
    const ui::SheetTable after = ReadSheetAt(office_, result.output, before.position);
    shown.after = ui::GridOfSheet(after);
    shown.changes = ui::CompareSheets(before.table, after);
  }
  shown.outcome = PreviewOutcome(result, shown.changes);
  shown.differences = result.differences;
  shown.visible = preview_.visible;
  shown.raiseRequests = preview_.raiseRequests;
  preview_ = std::move(shown);
}

}  // namespace sheetwise::rules

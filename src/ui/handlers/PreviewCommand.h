#pragma once
// 预览: the rule list tried on the sample workbook, as a run would edit it,
// into a private temporary folder that goes when the try is done. Nothing is
// written beside the sample or anywhere else the user sees; the window
// 预览 shows the named sheet before and after, the cells that changed and
// what the check of the save found.

#include <filesystem>
#include <string>

#include "batch/RunSettings.h"
#include "batch/WorkbookEngine.h"
#include "host/Spreadsheet.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"
#include "ui/SamplePreview.h"

namespace sheetwise::rules {

inline constexpr const char* kPreviewWithoutRules = "规则列表是空的：没有可以预览的规则";
inline constexpr const char* kPreviewNoFolder = "无法预览：临时文件夹无法建立：";
inline constexpr const char* kPreviewInExtraction = "小偷类开启时只读取单元格、不修改文件，没有可以预览的修改";

// The run's settings from the window's fields, with the copy written into folder.
batch::RunSettings PreviewSettings(const ui::Form1& main, const std::string& sample,
                                   const std::filesystem::path& folder);

// How a try went, in the window's words, with what it changed in the sheet.
std::string PreviewOutcome(const batch::WorkbookResult& result, const ui::SheetChanges& changes);

class PreviewCommand {
 public:
  PreviewCommand(ui::Form1& main, ui::SamplePreview& preview, ui::Dialogs& dialogs, host::Application& office)
      : main_(main), preview_(preview), dialogs_(dialogs), office_(office) {}

  // "预览": the sample last chosen by a quick-add, or one chosen now.
  void command();

 private:
  std::string chosenSample();
  void tryOn(const std::string& sample, const std::filesystem::path& folder);

  ui::Form1& main_;
  ui::SamplePreview& preview_;
  ui::Dialogs& dialogs_;
  host::Application& office_;
};

}  // namespace sheetwise::rules

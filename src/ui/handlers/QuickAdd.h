#pragma once
// The two quick-add commands: choose a sample workbook of a kind checked
// beside the file list, read the named sheet through the spreadsheet host and
// show it in the grid picker.

#include <functional>
#include <string>
#include <vector>

#include "host/Spreadsheet.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

namespace sheetwise::rules {

inline constexpr const char* kSampleFileFilter = "Execl 文档 (*.xls)";
inline constexpr const char* kFileMissing = "文件不存在";
inline constexpr const char* kBadSheetName = "表名不正确";
inline constexpr const char* kExtractionModeOff = "还没点击开启！";

using Table = std::vector<std::vector<std::string>>;

// The sample chooser's filter for the kinds checked beside the file list:
// kSampleFileFilter while .xls alone is chosen, else "表格文档 (*.xls *.ods)".
std::string SampleFileFilter(const ui::Form1& main);

// The sample grid's cells for a sheet read from A1 to the end of its used area:
// the used range begins at the first row and column holding a value; an empty
// fixed row and an empty fixed column go before it, so grid row n and column n
// are the used range's n-th row and column (the sheet's own when it begins at A1).
Table SampleGridCells(const Table& fromA1);

// Runs read, which reads a sample workbook's named sheet; what keeps it from
// being read is told the user as quick-add tells it. Whether it was read.
bool SampleRead(ui::Dialogs& dialogs, const std::function<void()>& read);

class QuickAdd {
 public:
  QuickAdd(ui::Form1& main, ui::Form2& picker, ui::Dialogs& dialogs, host::Application& spreadsheets)
      : main_(main), picker_(picker), dialogs_(dialogs), spreadsheets_(spreadsheets) {}

  // "添加快" in the standard frame.
  void command9();
  // "添加快" in the extraction frame; only while extraction mode is on.
  void command16();

 private:
  void showSample();
  Table readSheet(const std::string& path);

  ui::Form1& main_;
  ui::Form2& picker_;
  ui::Dialogs& dialogs_;
  host::Application& spreadsheets_;
};

}  // namespace sheetwise::rules

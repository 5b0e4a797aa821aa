#pragma once
// The main window's model: every control under its designer name. It owns the
// rule list, the folder list, the file queue, the error log and every setting.

#include <string>
#include <vector>

#include "ui/Controls.h"

namespace sheetwise::ui {

struct Form1 {
  // Rule editor fields.
  TextBox Text1, Text2, Text3;     // ReplaceCell: row, column letter, text
  TextBox charu, shanchu;          // InsertRows / DeleteRows row
  ComboBox Combo1, Combo2;         // their modes
  TextBox hebingx, hebingy;        // MergeRange corners
  TextBox qingkongx, qingkongy;    // ClearRange corners
  TextBox gaiming;                 // RenameSheet new name
  TextBox Text15, Text16;          // ColumnWidth column, width
  TextBox Text18, Text17;          // RowHeight row, height
  TextBox Text20, Text21;          // ExtractCell column, row
  CheckBox Check2;                 // extraction mode "开启"

  // Sheet name, folders, file-name rules, veto condition.
  TextBox Text9{"Sheet1"};         // the named sheet
  TextBox Text4{"", true, true};   // source folder (locked)
  TextBox Text5{"", true, true};   // save folder (locked)
  TextBox Text6, Text7;            // file-name replacement: from, to
  TextBox Text8;                   // file-name prefix ("日期" becomes the date)
  TextBox Text12, Text11;          // path replacement: from, to
  CheckBox Check1;                 // save over the source file
  TextBox Text10, Text13, Text14;  // veto row, column, value

  // Lists.
  ListBox List1;    // folder list
  ListBox List2;    // file queue
  ListBox List3;    // rule list
  ListBox List4;    // error log
  ListBox xiaotou;  // extraction results

  // Run controls and progress.
  Captioned Frame1;   // the rule input panel
  Captioned Frame2;   // file-name rules
  Captioned Command2{"打开目录", false};
  Captioned Command5{"保存目录"};
  ScrollBar HScroll1{500, 1, 2000, 10, 100};  // processing speed, ms per file
  Timer Timer1{false, 1000};                  // batch driver
  Timer Timer2{true, 1000};                   // memory monitor
  Shape Shape1{12135};                        // progress bar, full width
  Shape Shape2{15};                           // progress bar, filled part
  Captioned Label8;                           // remaining time

  Captioned Command4{"开始"};
  Captioned Command6{"暂停"};
  Captioned Command7{"继续"};
  Captioned Command8{"停止"};

  // Run state.
  std::string namePrefix;
  int tickCounter = 0;  // ticks since the last clean-up of office processes, 0 to 10
  int startTotal = 0;   // queued files when "开始" was last pressed
};

}  // namespace sheetwise::ui

#pragma once
// The main window's model: every control under its designer name. It owns the
// rule list, the folder list, the file queue, the error log and every setting.

#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/EntryKinds.h"

namespace sheetwise::ui {

// The file list's caption while .xls alone is chosen.
inline constexpr const char* kFrame15Caption = "文件列表[ 只针对 Office Execl 2003的文件 ]";

// Whether a run is under way: 继续 resumes only a paused one.
enum class RunState { Idle, Running, Paused };

struct Form1 {
  // Rule editor panel (scrolls inside Picture1 with VScroll1).
  Captioned Frame1;                          // the whole rule input panel
  int Frame1Top = 0;                         // twips, inside Picture1
  ScrollBar VScroll1;
  Captioned Frame18{"标准类"};
  TextBox Text1, Text2, Text3;               // ReplaceCell: row, column letter, text
  Captioned Command9{"添加快"}, Command1{"添加"};
  Captioned Frame14{"插入类"};
  TextBox charu;                             // InsertRows row
  ComboBox Combo1;                           // its mode
  Captioned charucom{"添加"};
  Captioned Frame13{"删除类"};
  TextBox shanchu;                           // DeleteRows row (or column letters)
  ComboBox Combo2;                           // its mode
  Captioned shanchucom{"添加"};
  Captioned Frame12{"合并   注意：被合并单元必须空白"};
  TextBox hebingx, hebingy;                  // MergeRange corners
  Captioned hebingxvv{"添加"};
  Captioned Frame11{"清空区域内容"};
  TextBox qingkongx, qingkongy;              // ClearRange corners
  Captioned qingkingxxc{"添加"};
  Captioned Frame10{"表名更改"};
  TextBox gaiming;                           // RenameSheet new name
  Captioned gaimingc{"添加"};
  Captioned Frame16{"列距 填字母"};
  TextBox Text15, Text16;                    // ColumnWidth column, width
  Captioned Command13{"添加"};
  Captioned Frame17{"行距"};
  TextBox Text18, Text17;                    // RowHeight row, height
  Captioned Command14{"添加"};
  Captioned Frame20{"小偷类"};
  TextBox Text20, Text21;                    // ExtractCell column, row
  CheckBox Check2;                           // extraction mode "开启"
  Captioned Command16{"添加快"}, Command15{"添加"};

  // Rule list and error log.
  Captioned Frame9{"规则"};
  ListBox List3;                             // rule list
  Captioned Command3{"移除"}, Command10{"清空"};
  Captioned Frame6{"错误日志"};
  ListBox List4;                             // error log
  ListBox xiaotou;                           // extraction results (hidden)

  // Sheet name, folders, file-name rules, veto condition.
  TextBox Text9{"Sheet1"};                   // the named sheet
  Captioned Command11{"确定"}, Command12{"取消"};
  Captioned Frame15{kFrame15Caption};
  ListBox List1;                             // folder list
  ListBox List2;                             // file queue
  // The kinds of workbook the folders are scanned for, in Frame15's caption
  // line: .xls alone at first.
  CheckBox TypeXls{1}, TypeXlsx, TypeXlsm, TypeOds;
  TextBox Text4{"", true, true};             // source folder (locked)
  TextBox Text5{"", true, true};             // save folder (locked)
  Captioned Command2{"打开目录", false};
  Captioned Command5{"保存目录"};
  Captioned Frame2{"文件名保存规则"};
  TextBox Text6, Text7;                      // file-name replacement: from, to
  TextBox Text8;                             // file-name prefix ("日期" becomes the date)
  Captioned Frame7{"文件名保存规则  路径前不能含有"};
  TextBox Text12, Text11;                    // path replacement: from, to
  CheckBox Check1;                           // save over the source file
  Captioned Frame8{"否定 条件"};
  TextBox Text10, Text13, Text14;            // veto row, column, value

  // Run controls, progress and memory.
  Captioned Frame3{"处理速度 "};
  ScrollBar HScroll1{500, 1, 2000, 10, 100};  // processing speed, ms per file
  Captioned Command4{"开始"}, Command6{"暂停"}, Command8{"停止"};
  Captioned Command7{"继续", false};         // usable only while a run is paused
  Timer Timer1{false, 1000};                 // batch driver
  Timer Timer2{true, 1000};                  // memory monitor
  Shape Shape1{12135};                       // progress bar, full width
  Shape Shape2{15};                          // progress bar, filled part
  Captioned Label8;                          // remaining time
  Captioned Frame19{"内存占用"};
  Shape Shape3{2415};                        // memory bar, full width
  Shape Shape4{15};                          // memory bar, filled part

  // Run state.
  RunState runState = RunState::Idle;
  std::string namePrefix;
  int tickCounter = 0;  // ticks since the last clean-up of office processes, 0 to 10
  int startTotal = 0;   // queued files when "开始" was last pressed
  RunTally tally;       // what became of the workbooks since "开始" was last pressed

  // The sample workbook last chosen by a quick-add; 预览 tries the rules on it.
  std::string sampleWorkbook;
  Captioned Preview{"预览…"};
  // Puts back the originals the last in-place run replaced.
  Captioned UndoLastRun{"撤销上次运行"};
};

}  // namespace sheetwise::ui

#pragma once
// The grid picker's event handlers: the mouse selects a rectangle of the sample
// grid, Enter turns it into rule strings appended to the main window's rule list.

#include <string>

#include "ui/Dialogs.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

namespace sheetwise::rules {

inline constexpr const char* kActualRowPrompt = "请输入实际行数";
inline constexpr const char* kRowCountPrompt =
    "需要的插入行数\r\n需要插入行的为正数\r\n需要删除行的负数\r\n否则为0";
inline constexpr const char* kIrregularSelection = "选择选择内容不规范！";
inline constexpr const char* kNotANumber = "填写需为数字";
inline constexpr const char* kNotARow = "实际行数须为 1 到 1048576 之间的整数";
inline constexpr int kEnterKey = 13;

// The character written into an entry for a grid column: code 64 + column
// ("A" for 1, "[" for 27, "@" for 0, "?" for -1). U+FFFD where no character has that code.
std::string GridColumnCharacter(int column);

class GridPicker {
 public:
  GridPicker(ui::Form2& picker, ui::Form1& main, ui::Dialogs& dialogs)
      : picker_(picker), main_(main), dialogs_(dialogs) {}

  // Cells as the grid reports them under the pointer: -1 outside, 0 on the fixed row or column.
  void mouseDown(int row, int column);
  void mouseUp(int row, int column);
  // Only Enter (character code 13) does anything.
  void keyPress(int characterCode);
  // The window's new outer size in twips.
  void resize(int outerWidth, int outerHeight);
  // Unloads the window: hidden, grid and selection discarded.
  void close();

 private:
  void onEnter();
  void appendExtractionEntries();
  void appendStandardEntries(int firstRow, int rowCount);
  // The first selected cell whose text no rule can hold, said to the user; false when there is none.
  bool refusedCellText();

  ui::Form2& picker_;
  ui::Form1& main_;
  ui::Dialogs& dialogs_;
};

}  // namespace sheetwise::rules

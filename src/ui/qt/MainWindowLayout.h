#pragma once
// Where every control of the main window stands, in twips (left, top, width,
// height), relative to its container: the window's client area, a frame, or
// the client area of the picture box Picture1.

#include "ui/qt/Twips.h"

namespace sheetwise::ui::qt::layout {

inline constexpr TwipsSize kClient{12135, 9800};

// File queue.
inline constexpr TwipsRect Frame15{0, 0, 12120, 2625};
inline constexpr TwipsRect List2{50, 200, 12015, 2340};
inline constexpr TwipsRect List1{0, 0, 9495, 1500};  // hidden
// The kinds of workbook taken: check boxes in Frame15's caption line, at its
// right end above the file list, so that no control of the layout moves.
inline constexpr int kTypeTop = 0;
inline constexpr int kTypeWidth = 810;
inline constexpr int kTypeHeight = 195;
inline constexpr TwipsRect TypeXls{8820, kTypeTop, kTypeWidth, kTypeHeight};
inline constexpr TwipsRect TypeXlsx{9630, kTypeTop, kTypeWidth, kTypeHeight};
inline constexpr TwipsRect TypeXlsm{10440, kTypeTop, kTypeWidth, kTypeHeight};
inline constexpr TwipsRect TypeOds{11250, kTypeTop, kTypeWidth, kTypeHeight};

// Rule list.
inline constexpr TwipsRect Frame9{0, 2640, 5760, 2010};
inline constexpr TwipsRect List3{45, 195, 5640, 1710};
inline constexpr TwipsRect Command3{4200, 1510, 735, 375};
inline constexpr TwipsRect Command10{4920, 1510, 735, 375};
// Loading and saving the rule list, on the line of the two commands above,
// left of them, so that no control of the layout moves.
inline constexpr TwipsRect LoadRules{2700, 1510, 735, 375};
inline constexpr TwipsRect SaveRules{3450, 1510, 735, 375};
// Trying the rule list on the sample workbook, left of those.
inline constexpr TwipsRect Preview{1950, 1510, 735, 375};

// Error log.
inline constexpr TwipsRect Frame6{5760, 2640, 6360, 2010};
inline constexpr TwipsRect List4{30, 195, 6255, 1710};
inline constexpr TwipsRect xiaotou{4560, 1200, 2175, 420};  // hidden

// The rule input panel's viewport; its children stand in its client area,
// inside a two-pixel sunken border.
inline constexpr TwipsRect Picture1{0, 4680, 5775, 4695};
inline constexpr int kPictureBorder = 30;
inline constexpr TwipsRect VScroll1{5460, 0, 255, 4650};
inline constexpr TwipsRect Frame1{0, 0, 5535, 6855};

// The nine rule-kind frames inside Frame1, top to bottom.
inline constexpr int kKindLeft = 30;
inline constexpr int kKindWidth = 5400;
inline constexpr TwipsRect Frame18{kKindLeft, 0, kKindWidth, 660};
inline constexpr TwipsRect Frame14{kKindLeft, 675, kKindWidth, 660};
inline constexpr TwipsRect Frame13{kKindLeft, 1365, kKindWidth, 1050};
inline constexpr TwipsRect Frame12{kKindLeft, 2430, kKindWidth, 945};
inline constexpr TwipsRect Frame11{kKindLeft, 3390, kKindWidth, 660};
inline constexpr TwipsRect Frame10{kKindLeft, 4080, kKindWidth, 660};
inline constexpr TwipsRect Frame16{kKindLeft, 4755, kKindWidth, 660};
inline constexpr TwipsRect Frame17{kKindLeft, 5445, kKindWidth, 660};
inline constexpr TwipsRect Frame20{kKindLeft, 6120, kKindWidth, 660};

// Inside a rule-kind frame: the line of labels and fields, the add commands
// at the right end.
inline constexpr int kLineTop = 240;
inline constexpr int kLineHeight = 315;
inline constexpr int kSecondLineTop = 630;
inline constexpr TwipsRect AddCommand{4755, 225, 570, 345};
inline constexpr TwipsRect QuickAddCommand{4050, 225, 690, 345};

inline constexpr TwipsRect OnLine(int left, int width, int top = kLineTop) { return {left, top, width, kLineHeight}; }

// 标准类
inline constexpr TwipsRect Text2Label = OnLine(90, 570);
inline constexpr TwipsRect Text2 = OnLine(660, 420);
inline constexpr TwipsRect Text1Label = OnLine(1140, 570);
inline constexpr TwipsRect Text1 = OnLine(1710, 540);
inline constexpr TwipsRect Text3Label = OnLine(2310, 750);
inline constexpr TwipsRect Text3 = OnLine(3060, 930);
// 插入类
inline constexpr TwipsRect charuLabel = OnLine(90, 570);
inline constexpr TwipsRect charu = OnLine(660, 900);
inline constexpr TwipsRect Combo1Label = OnLine(1680, 750);
inline constexpr TwipsRect Combo1 = OnLine(2430, 1200);
// 删除类, two lines; its command between them
inline constexpr TwipsRect shanchuLabel = OnLine(90, 750);
inline constexpr TwipsRect shanchu = OnLine(840, 1200);
inline constexpr TwipsRect Combo2Label = OnLine(90, 750, kSecondLineTop);
inline constexpr TwipsRect Combo2 = OnLine(840, 1200, kSecondLineTop);
inline constexpr TwipsRect shanchucom{4755, 420, 570, 345};
// 合并, each corner with its hint under it
inline constexpr TwipsRect hebingxLabel = OnLine(90, 570);
inline constexpr TwipsRect hebingx = OnLine(660, 1200);
inline constexpr TwipsRect hebingxHint{660, 585, 1200, 240};
inline constexpr TwipsRect hebingyLabel = OnLine(2040, 570);
inline constexpr TwipsRect hebingy = OnLine(2610, 1200);
inline constexpr TwipsRect hebingyHint{2610, 585, 1200, 240};
// 清空区域内容
inline constexpr TwipsRect qingkongxLabel = OnLine(90, 570);
inline constexpr TwipsRect qingkongx = OnLine(660, 1200);
inline constexpr TwipsRect qingkongyLabel = OnLine(2040, 570);
inline constexpr TwipsRect qingkongy = OnLine(2610, 1200);
// 表名更改
inline constexpr TwipsRect gaiming = OnLine(90, 4500);
// 列距 and 行距
inline constexpr TwipsRect SpacingPlaceLabel = OnLine(90, 570);
inline constexpr TwipsRect SpacingPlace = OnLine(660, 1200);
inline constexpr TwipsRect SpacingSizeLabel = OnLine(2040, 390);
inline constexpr TwipsRect SpacingSize = OnLine(2430, 1200);
// 小偷类
inline constexpr TwipsRect Text20Label = OnLine(90, 570);
inline constexpr TwipsRect Text20 = OnLine(660, 600);
inline constexpr TwipsRect Text21Label = OnLine(1350, 570);
inline constexpr TwipsRect Text21 = OnLine(1920, 660);
inline constexpr TwipsRect Check2{2700, 255, 780, 285};

// Processing speed.
inline constexpr TwipsRect Frame3{5880, 4650, 6255, 645};
inline constexpr TwipsRect HScroll1{120, 250, 6015, 255};

// Sheet name.
inline constexpr TwipsRect Frame5{5880, 5250, 6255, 495};
inline constexpr TwipsRect Label7{120, 150, 390, 300};
inline constexpr TwipsRect Text9{540, 150, 2940, 300};
inline constexpr TwipsRect Command11{3660, 135, 1080, 330};
inline constexpr TwipsRect Command12{4920, 135, 1080, 330};

// Source and save folders.
inline constexpr TwipsRect Frame4{5880, 5810, 6255, 1095};
inline constexpr TwipsRect Text4{120, 240, 4695, 300};
inline constexpr TwipsRect Command2{5040, 200, 1095, 375};
inline constexpr TwipsRect Text5{120, 650, 4695, 315};
inline constexpr TwipsRect Command5{5040, 600, 1095, 375};

// File-name rules.
inline constexpr TwipsRect Frame2{5880, 6960, 3135, 975};
inline constexpr TwipsRect Label5 = OnLine(90, 210);
inline constexpr TwipsRect Text6 = OnLine(300, 1200);
inline constexpr TwipsRect Label6 = OnLine(1560, 390);
inline constexpr TwipsRect Text7 = OnLine(1950, 1080);
inline constexpr TwipsRect Label4 = OnLine(90, 930, 600);
inline constexpr TwipsRect Text8 = OnLine(1020, 2010, 600);

// Folder-name rule.
inline constexpr TwipsRect Frame7{9120, 6960, 3015, 615};
inline constexpr TwipsRect Label11 = OnLine(90, 210);
inline constexpr TwipsRect Text12 = OnLine(300, 1140);
inline constexpr TwipsRect Label10 = OnLine(1500, 390);
inline constexpr TwipsRect Text11 = OnLine(1890, 1050);

inline constexpr TwipsRect Check1{9120, 7680, 1815, 255};
// Taking the last in-place run back, right of the check box that asks for one.
inline constexpr TwipsRect UndoLastRun{10950, 7605, 1170, 405};

// Veto condition.
inline constexpr TwipsRect Frame8{5880, 8040, 6255, 615};
inline constexpr TwipsRect Label9 = OnLine(90, 930);
inline constexpr TwipsRect Text10 = OnLine(1020, 660);
inline constexpr TwipsRect Label12 = OnLine(1740, 570);
inline constexpr TwipsRect Text13 = OnLine(2310, 930);
inline constexpr TwipsRect Label13 = OnLine(3300, 570);
inline constexpr TwipsRect Text14 = OnLine(3870, 1050);
inline constexpr TwipsRect Label14 = OnLine(4980, 1140);

// Memory bar.
inline constexpr TwipsRect Frame19{5880, 8650, 2655, 615};
inline constexpr TwipsRect Shape3{120, 200, 2415, 350};
inline constexpr TwipsRect Shape4{120, 200, 15, 350};

// Run commands.
inline constexpr TwipsRect Command6{8640, 8760, 855, 495};
inline constexpr TwipsRect Command7{9480, 8760, 855, 495};
inline constexpr TwipsRect Command8{10320, 8760, 855, 495};
inline constexpr TwipsRect Command4{11160, 8760, 975, 495};

// Progress bar and remaining time.
inline constexpr TwipsRect Shape1{0, 9390, 12135, 375};
inline constexpr TwipsRect Shape2{0, 9390, 15, 375};
inline constexpr TwipsRect Label8{5640, 9480, 0, 0};  // sized to its text
// The counts of the last run, over the progress bar right of the remaining time.
inline constexpr TwipsRect RunSummary{7260, 9405, 4860, 345};

}  // namespace sheetwise::ui::qt::layout

#pragma once
// The rule editor panel of the main window: the add commands of the nine
// rule-kind frames, the rule list's "移除" and "清空", the sheet-name
// "确定" and "取消", and the upper-case filters of the column fields.
// Every add command reads its fields when pressed and leaves them as they are.

#include <string>
#include <string_view>

#include "ui/Dialogs.h"
#include "ui/Form1.h"

namespace sheetwise::rules {

// What the window says of a text that cannot stand in a rule file's field
// (FitsInField): what names the field ("替换内容", "表名").
std::string UnheldTextMessage(const std::string& what);

// "标准类": Text1 + "|" + Text2 + "|" + Text3; nothing when Text1 is empty.
// A replacement holding "|" or a line break is refused with UnheldTextMessage.
void Command1_Click(ui::Form1& form, ui::Dialogs& dialogs);
// "插入类": "{插入行}|" + Combo1 + "|" + charu.
void charucom_Click(ui::Form1& form);
// "删除类": "{删除行}|正行|" + shanchu, or "{删除列}|整列|" + shanchu;
// any other mode text appends nothing.
void shanchucom_Click(ui::Form1& form);
// "合并": "{合并}|" + hebingx + "|" + hebingy.
void hebingxvv_Click(ui::Form1& form);
// "清空区域内容": "{清空}|" + qingkongx + "|" + qingkongy.
void qingkingxxc_Click(ui::Form1& form);
// "表名更改": "{表名}|" + gaiming, an empty name included; a name holding
// "|" or a line break is refused with UnheldTextMessage.
void gaimingc_Click(ui::Form1& form, ui::Dialogs& dialogs);
// "列距": "{列距}|" + Text15 + "|" + Text16.
void Command13_Click(ui::Form1& form);
// "行距": "{行距}|" + Text18 + "|" + Text17.
void Command14_Click(ui::Form1& form);
// "小偷类": "{小偷}" + Text21 + "|" + Text20 + "|". Refuses with a plain
// message "坐标不能为空" when either field is empty, else with
// "还没点击开启！" when Check2 is not ticked.
void Command15_Click(ui::Form1& form, ui::Dialogs& dialogs);

// "移除": removes the selected rule; nothing when none is selected.
void Command3_Click(ui::Form1& form);
// "清空": removes every rule.
void Command10_Click(ui::Form1& form);
// What the window's "清空" does: asks first, "取消" being the default, and
// clears only when the user goes on. An empty list is not asked about.
void ClearRulesAsking(ui::Form1& form, ui::Dialogs& dialogs);

// "确定": locks the sheet name and allows choosing the source folder.
void Command11_Click(ui::Form1& form);
// "取消": the reverse of "确定".
void Command12_Click(ui::Form1& form);

// The text with its ASCII letters in upper case; everything else unchanged.
// The length stays the same, so a view can leave the caret where it was.
std::string UpperCaseLetters(std::string_view text);

// The filters a view calls after the user changed the field's text.
void Text2_Change(ui::Form1& form);
void Text15_Change(ui::Form1& form);
void Text13_Change(ui::Form1& form);

}  // namespace sheetwise::rules

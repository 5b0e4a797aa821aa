#include "ui/handlers/RuleEditor.h"

#include "rules/RuleList.h"
#include "rules/RuleString.h"

namespace sheetwise::rules {
namespace {

void Append(ui::Form1& form, std::string rule) { RuleList(form.List3.items).append(std::move(rule)); }

std::string Joined(std::string_view tag, const std::string& first, const std::string& second) {
  return std::string(tag) + "|" + first + "|" + second;
}

void ToUpperInPlace(ui::TextBox& field) { field.text = UpperCaseLetters(field.text); }

// Whether text can go into a rule; when not, the user is told why.
bool Holdable(const std::string& text, const std::string& what, ui::Dialogs& dialogs) {
  if (FitsInField(text)) return true;
  dialogs.message(UnheldTextMessage(what), ui::MessageStyle::Plain);
  return false;
}

}  // namespace

std::string UnheldTextMessage(const std::string& what) {
  return what + "不能含有换行或“|”：规则文件每行一条规则，字段以“|”分隔。请改掉后再添加。";
}

void Command1_Click(ui::Form1& form, ui::Dialogs& dialogs) {
  if (form.Text1.text.empty() || !Holdable(form.Text3.text, "替换内容", dialogs)) return;
  Append(form, form.Text1.text + "|" + form.Text2.text + "|" + form.Text3.text);
}

void charucom_Click(ui::Form1& form) { Append(form, Joined(tag::InsertRows, form.Combo1.text, form.charu.text)); }

void shanchucom_Click(ui::Form1& form) {
  const std::string& mode = form.Combo2.text;
  if (mode == WholeRowMode) {
    Append(form, Joined(tag::DeleteRows, mode, form.shanchu.text));
  } else if (mode == WholeColumnMode) {
    Append(form, Joined(tag::DeleteColumn, mode, form.shanchu.text));
  }
}

void hebingxvv_Click(ui::Form1& form) { Append(form, Joined(tag::MergeRange, form.hebingx.text, form.hebingy.text)); }

void qingkingxxc_Click(ui::Form1& form) {
  Append(form, Joined(tag::ClearRange, form.qingkongx.text, form.qingkongy.text));
}

void gaimingc_Click(ui::Form1& form, ui::Dialogs& dialogs) {
  if (!Holdable(form.gaiming.text, "表名", dialogs)) return;
  Append(form, std::string(tag::RenameSheet) + "|" + form.gaiming.text);
}

void Command13_Click(ui::Form1& form) { Append(form, Joined(tag::ColumnWidth, form.Text15.text, form.Text16.text)); }

void Command14_Click(ui::Form1& form) { Append(form, Joined(tag::RowHeight, form.Text18.text, form.Text17.text)); }

void Command15_Click(ui::Form1& form, ui::Dialogs& dialogs) {
  if (form.Text20.text.empty() || form.Text21.text.empty()) {
    dialogs.message("坐标不能为空", ui::MessageStyle::Plain);
    return;
  }
  if (form.Check2.value == 0) {
    dialogs.message("还没点击开启！", ui::MessageStyle::Plain);
    return;
  }
  Append(form, std::string(tag::ExtractCell) + form.Text21.text + "|" + form.Text20.text + "|");
}

void Command3_Click(ui::Form1& form) {
  if (form.List3.selection < 0) return;
  RuleList(form.List3.items).remove(form.List3.selection);
  form.List3.selection = -1;
}

void Command10_Click(ui::Form1& form) {
  RuleList(form.List3.items).clear();
  form.List3.selection = -1;
}

void ClearRulesAsking(ui::Form1& form, ui::Dialogs& dialogs) {
  if (form.List3.items.empty()) return;
  const std::string question = "要清空全部 " + std::to_string(form.List3.items.size()) + " 条规则吗？清空后不能恢复。";
  if (dialogs.confirm(question, "清空")) Command10_Click(form);
}

void Command11_Click(ui::Form1& form) {
  form.Text9.enabled = false;
  form.Command2.enabled = true;
}

void Command12_Click(ui::Form1& form) {
  form.Text9.enabled = true;
  form.Command2.enabled = false;
}

std::string UpperCaseLetters(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

void Text2_Change(ui::Form1& form) { ToUpperInPlace(form.Text2); }
void Text15_Change(ui::Form1& form) { ToUpperInPlace(form.Text15); }
void Text13_Change(ui::Form1& form) { ToUpperInPlace(form.Text13); }

}  // namespace sheetwise::rules

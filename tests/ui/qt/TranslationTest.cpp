// The window speaks Chinese throughout: Qt's own dialogs and buttons come
// from Qt's translations, the reasons of the error log show beside its
// entries, and the sample grid shows cells as the sheet shows them.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <fstream>

#include "TableWorkbook.h"
#include "WindowFixture.h"
#include "host/FailureReason.h"
#include "host/LibreOfficeHost.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/ResultsView.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::test {
namespace {

QStringList ButtonTexts(const QWidget& dialog) {
  QStringList texts;
  for (const auto* button : dialog.findChildren<QPushButton*>()) {
    if (button->isVisible()) texts << button->text();
  }
  texts.sort();
  return texts;
}

bool IsChinese(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

TEST(QtTranslations, FolderChooserSpeaksChinese) {
  QFileDialog chooser(nullptr, "请选择目录");
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::Directory);
  chooser.setOption(QFileDialog::ShowDirsOnly);
  chooser.show();
  const QStringList buttons = ButtonTexts(chooser);
  ASSERT_FALSE(buttons.isEmpty());
  for (const QString& text : buttons) EXPECT_TRUE(IsChinese(text)) << text.toStdString();
  for (const auto* label : chooser.findChildren<QLabel*>()) {
    if (label->isVisible() && !label->text().isEmpty()) {
      EXPECT_TRUE(IsChinese(label->text())) << label->objectName().toStdString() << ": " << label->text().toStdString();
    }
  }
}

TEST(QtTranslations, MessageAndInputBoxesSpeakChinese) {
  QMessageBox box(QMessageBox::NoIcon, "Sheetwise", "ok", QMessageBox::Ok | QMessageBox::Cancel);
  box.show();
  EXPECT_EQ(ButtonTexts(box), (QStringList{"取消", "确定"}));
  QInputDialog input;
  input.show();
  EXPECT_EQ(ButtonTexts(input), (QStringList{"取消", "确定"}));
}

TEST(WindowMessages, ReasonsAreChineseWhateverTheLocale) {
  EXPECT_EQ(host::ReasonForError(EACCES, host::FileAction::WriteFolder, "/out"), "没有写入目录 /out 的权限");
  EXPECT_EQ(host::ReasonForError(ENOSPC, host::FileAction::ReplaceFile, "/out/a.xls"),
            "磁盘已满：没有空间写入 /out/a.xls");
}

class WindowReasons : public WindowFixture {};

TEST_F(WindowReasons, EachErrorLogEntryShowsItsReason) {
  log.add({"表头不匹配处理失败：<file/>/d/a.xls</file>", "没有写入目录 /out 的权限", {}});
  log.add({"保存校验有差异：<file/>/d/b.xls</file>", "", {"B2: 1 → 2"}});
  window->refresh();
  auto& list = widget<QListWidget>("List4");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.item(0)->text().toStdString(), "表头不匹配处理失败：<file/>/d/a.xls</file>");
  EXPECT_EQ(list.item(0)->toolTip().toStdString(), "原因：没有写入目录 /out 的权限");
  EXPECT_EQ(list.item(1)->toolTip().toStdString(), "保存校验的差异：\nB2: 1 → 2");
  // The results window lists them too, and the log file has the entries alone.
  auto& reasons = *window->resultsView().findChild<QTableWidget*>("logReasons");
  ASSERT_EQ(reasons.rowCount(), 2);
  EXPECT_EQ(reasons.item(0, 1)->text().toStdString(), "没有写入目录 /out 的权限");
  EXPECT_EQ(reasons.item(1, 2)->text().toStdString(), "B2: 1 → 2");
}

TEST_F(WindowReasons, SampleGridShowsDatesAsTheSheetDoesAndThePickerWritesThem) {
  TempDir dir;
  WriteTableWorkbook(dir.path() / "sample.xls", "Name,When,Amount,Flag,At\nok,2024-01-31,2.5,TRUE,12:30:00\n");
  rules::QuickAdd realQuickAdd{form, form2, dialogs, SharedHost()};
  dialogs.fileAnswers = {dir / "sample.xls"};
  realQuickAdd.command9();
  window->refresh();
  auto& grid = window->pickerView().grid();
  ASSERT_TRUE(window->pickerView().isVisible()) << (dialogs.messages.empty() ? "" : dialogs.messages[0].first);
  // Each kind of value as the sheet shows it: ShownValues; the grid from the
  // used area: QuickAdd.
  const QPoint date = grid.visualRect(grid.model()->index(1, 1)).center();
  QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, date);
  QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, date);
  dialogs.inputAnswers = {"7", "0"};
  QTest::keyClick(&grid, Qt::Key_Return);
  EXPECT_NE(std::find(form.List3.items.begin(), form.List3.items.end(), "7|B|2024-01-31"), form.List3.items.end())
      << ::testing::PrintToString(form.List3.items);
}

class MissingOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string&, host::OpenMode) override {
    throw host::HostUnavailable("LibreOffice is not installed: /opt/lo/program/soffice is missing");
  }
};

TEST_F(WindowReasons, QuickAddSaysTheOfficeIsMissingNotThatTheSheetNameIsWrong) {
  TempDir dir;
  std::ofstream(dir / "sample.xls") << "x";
  MissingOffice missing;
  rules::QuickAdd quickAddWithoutOffice{form, form2, dialogs, missing};
  dialogs.fileAnswers = {dir / "sample.xls"};
  quickAddWithoutOffice.command9();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const std::string& message = dialogs.messages[0].first;
  EXPECT_EQ(message.find("表名不正确"), std::string::npos) << message;
  EXPECT_NE(message.find("无法启动 LibreOffice"), std::string::npos) << message;
  EXPECT_NE(message.find("原因：LibreOffice is not installed"), std::string::npos) << message;
  EXPECT_NE(message.find("系统管理员"), std::string::npos) << message;
  EXPECT_FALSE(form2.visible);
}

}  // namespace
}  // namespace sheetwise::test

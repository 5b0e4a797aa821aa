#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <fstream>

#include "WindowFixture.h"
#include "host/HostError.h"
#include "ui/OfficeMissing.h"
#include "ui/qt/QtDialogs.h"
#include "batch/SaveCheck.h"
#include "verify/SaveComparison.h"

namespace sheetwise::test {
namespace {

// A Cancel button in Chinese: Qt's translations are loaded.
TEST(QtTranslations, QtsOwnDialogsSpeakChinese) {
  QFileDialog chooser;
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  QMessageBox box(QMessageBox::NoIcon, "Sheetwise", "ok", QMessageBox::Ok | QMessageBox::Cancel);
  QInputDialog input;
  for (QWidget* dialog : std::initializer_list<QWidget*>{&chooser, &box, &input}) {
    dialog->show();
    QStringList buttons;
    for (const auto* button : dialog->findChildren<QPushButton*>()) buttons << button->text();
    EXPECT_TRUE(buttons.contains("取消")) << buttons.join(' ').toStdString();
  }
  EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "文件夹");
}

// Before saving over the sources Enter and Escape answer 取消; only the named button says yes.
TEST(QtTranslations, AQuestionsDefaultAnswerIsCancel) {
  ui::qt::QtDialogs dialogs;
  const auto answer = [&](const std::function<void(QMessageBox&)>& press) {
    QTimer::singleShot(0, [press] { press(*qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); });
    return dialogs.confirm("要改写吗？", "改写源文件");
  };
  EXPECT_FALSE(answer([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }));
  EXPECT_FALSE(answer([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }));
  EXPECT_TRUE(answer([](QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) if (button->text() == "改写源文件") button->click();
  }));
}

using WindowReasons = WindowFixture;

// The save check's findings as logged: the reason once, each difference on its own line, in Chinese.
TEST_F(WindowReasons, TheSaveChecksFindingsAreChineseAndSaidOnce) {
  const verify::CellValue one{verify::ValueKind::Number, "1", false, false, "", {}};
  verify::XlsContent source;
  source.sheets.resize(2);
  source.sheets[0].name = "Chart1", source.sheets[0].type = 2, source.sheets[1].name = "S";
  source.sheets[1].cells = {{{2, 2}, one}};
  verify::XlsContent saved = source;
  saved.sheets[0].type = 0;
  saved.sheets[1].cells[{2, 2}].text = "2";
  const batch::SaveFindings findings{verify::CompareSave(source, saved, {"S", {}}).lines(), "", ""};
  log.add({"保存校验有差异：<file/>/d/b.xls</file>", findings.reason(), findings.differences, {}});
  const batch::SaveFindings unchecked{{}, "无法读取保存后的工作簿", ""};
  log.add({"保存校验有差异：<file/>/d/c.xls</file>", unchecked.reason(), {}, {}});
  window->refresh();
  auto& list = widget<QListWidget>("List4");
  EXPECT_EQ(list.item(0)->text().toStdString(), "2024-05-06 07:08:09  保存校验有差异  b.xls");
  EXPECT_EQ(list.item(0)->toolTip().toStdString(),
            "/d/b.xls\n原因：保存后的工作簿在规则未改动之处与源文件不同\n保存校验的差异：\n"
            "工作表“Chart1”：图表工作表 → 工作表\n工作表“S”单元格 B2：1 → 2");
  EXPECT_EQ(list.item(1)->toolTip().toStdString(), "/d/c.xls\n原因：无法校验：无法读取保存后的工作簿");
}

struct MissingOffice final : host::Application {
  std::unique_ptr<host::Workbook> open(const std::string&, host::OpenMode) override {
    throw host::HostUnavailable("soffice is missing");
  }
};

// A quick add without an office says so, not that the sheet name is wrong.
TEST_F(WindowReasons, QuickAddSaysTheOfficeIsMissingNotThatTheSheetNameIsWrong) {
  std::ofstream(scratch / "sample.xls") << "x";
  MissingOffice missing;
  rules::QuickAdd withoutOffice{form, form2, dialogs, missing};
  dialogs.fileAnswers = {scratch / "sample.xls"};
  withoutOffice.command9();
  EXPECT_EQ(dialogs.messageTexts(), Lines{ui::OfficeMissingMessage("soffice is missing")});
  EXPECT_FALSE(form2.visible);
}

}  // namespace
}  // namespace sheetwise::test

// The settings beside the rule input panel: the processing speed, the sheet
// name, the source and save folders, the file-name rules and the veto condition.

#include "ui/MainWindowStartup.h"
#include "ui/handlers/BatchDriver.h"
#include "ui/handlers/FolderChoice.h"
#include "ui/handlers/RuleEditor.h"
#include "ui/handlers/UndoLastRun.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"

namespace sheetwise::ui::qt {

namespace l = layout;

namespace {

const QColor kLightYellow{255, 255, 192};

QLineEdit* Yellow(QLineEdit* field) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, kLightYellow);
  field->setPalette(palette);
  return field;
}

QLineEdit* WithFont(QLineEdit* field, const QFont& font) {
  field->setFont(font);
  return field;
}

}  // namespace

void MainWindowView::buildSpeedAndSheetName() {
  QWidget* speed = binder_.frame(this, "Frame3", &Form1::Frame3, l::Frame3);
  binder_.scroll(speed, "HScroll1", &Form1::HScroll1, Qt::Horizontal, l::HScroll1)
      ->setToolTip("处理速度：每处理一个文件之间的间隔（1 到 2000 毫秒）。向左更快，向右更慢；运行中也可以调");

  QWidget* sheet = StaticFrame(this, QString(), l::Frame5, "Frame5");
  StaticLabel(sheet, "表名", l::Label7, "Label7");
  Yellow(WithFont(binder_.field(sheet, "Text9", &Form1::Text9, l::Text9), WindowFont(kNewSong, 9)));
  binder_.button(sheet, "Command11", &Form1::Command11, l::Command11, [this] { rules::Command11_Click(form_); });
  binder_.button(sheet, "Command12", &Form1::Command12, l::Command12, [this] { rules::Command12_Click(form_); });
}

void MainWindowView::buildFolders() {
  const QFont field = WindowFont(kNewSong, 10.5);
  QWidget* folders = StaticFrame(this, "位置", l::Frame4, "Frame4");
  Yellow(WithFont(binder_.field(folders, "Text4", &Form1::Text4, l::Text4), field));
  command2_ = binder_.button(folders, "Command2", &Form1::Command2, l::Command2,
                             [this] { batch::ChooseSourceFolder(form_, ports_.dialogs); });
  Yellow(WithFont(binder_.field(folders, "Text5", &Form1::Text5, l::Text5), field));
  binder_.button(folders, "Command5", &Form1::Command5, l::Command5,
                 [this] { batch::ChooseSaveFolder(form_, ports_.dialogs); });
}

void MainWindowView::buildNamingAndVeto() {
  const QFont field = WindowFont(kNewSong, 10.5);
  QWidget* naming = binder_.frame(this, "Frame2", &Form1::Frame2, l::Frame2);
  StaticLabel(naming, "将", l::Label5, "Label5");
  WithFont(binder_.field(naming, "Text6", &Form1::Text6, l::Text6), field);
  StaticLabel(naming, "替换", l::Label6, "Label6");
  WithFont(binder_.field(naming, "Text7", &Form1::Text7, l::Text7), field);
  StaticLabel(naming, "在文件前加", l::Label4, "Label4");
  WithFont(binder_.field(naming, "Text8", &Form1::Text8, l::Text8), field);

  QWidget* paths = binder_.frame(this, "Frame7", &Form1::Frame7, l::Frame7);
  StaticLabel(paths, "将", l::Label11, "Label11");
  WithFont(binder_.field(paths, "Text12", &Form1::Text12, l::Text12), field);
  StaticLabel(paths, "替换", l::Label10, "Label10");
  WithFont(binder_.field(paths, "Text11", &Form1::Text11, l::Text11), field);

  binder_.check(this, "Check1", &Form1::Check1, l::Check1, "在源文件上修改", [this] { batch::Check1_Click(form_); })
      ->setToolTip("勾选后直接改写源文件；被改写的原文件各保留一份，运行后可以用“撤销上次运行”换回。文件名规则不起作用");
  binder_.button(this, "UndoLastRun", &Form1::UndoLastRun, l::UndoLastRun,
                 [this] { batch::UndoLastRun(form_, ports_.dialogs, ports_.inPlaceRuns); })
      ->setToolTip(Q("把上次“在源文件上修改”的运行改写的文件换回原文件（运行后又改动过的除外）。\n原文件和运行的报告保存在 " +
                     ports_.inPlaceRuns.folder().string()));

  QWidget* veto = binder_.frame(this, "Frame8", &Form1::Frame8, l::Frame8);
  StaticLabel(veto, "如果行坐标", l::Label9, "Label9");
  binder_.field(veto, "Text10", &Form1::Text10, l::Text10)->setPlaceholderText(kText10Hint);
  StaticLabel(veto, "列坐标", l::Label12, "Label12");
  binder_.field(veto, "Text13", &Form1::Text13, l::Text13, rules::Text13_Change)->setPlaceholderText(kText13Hint);
  StaticLabel(veto, "不等于", l::Label13, "Label13");
  WithFont(binder_.field(veto, "Text14", &Form1::Text14, l::Text14), WindowFont(kNewSong, 9));
  StaticLabel(veto, "就忽略该文件", l::Label14, "Label14");
}

}  // namespace sheetwise::ui::qt

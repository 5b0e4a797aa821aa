#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <fstream>
#include <map>

#include "WindowFixture.h"
#include "batch/LogEntries.h"
#include "batch/SaveCheck.h"
#include "host/HostError.h"
#include "ui/OfficeMissing.h"
#include "ui/Form4.h"
#include "ui/qt/AboutBoxView.h"
#include "ui/qt/CaptionFrame.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/QtDialogs.h"
#include "ui/handlers/UndoLastRun.h"
#include "verify/SaveComparison.h"

namespace sheetwise::test {
namespace {

using MainWindowView = WindowFixture;

// Each add command appends its rule from the typed fields (a step with text types, one without clicks).
TEST_F(MainWindowView, EveryAddCommandAppendsItsRuleFromTheTypedFields) {
  const std::pair<const char*, const char*> steps[] = {
      {"Text1", "7"},     {"Text2", "c"},      {"Text3", "合计"},   {"Command1", ""},    {"charu", "5"},
      {"charucom", ""},   {"shanchu", "9"},    {"shanchucom", ""},  {"hebingx", "B7"},   {"hebingy", "C8"},
      {"hebingxvv", ""},  {"qingkongx", "A1"}, {"qingkongy", "D4"}, {"qingkingxxc", ""}, {"gaiming", "汇总"},
      {"gaimingc", ""},   {"Text15", "d"},     {"Text16", "12"},    {"Command13", ""},   {"Text18", "3"},
      {"Text17", "30"},   {"Command14", ""},   {"Text20", "b"},     {"Text21", "5"},     {"Check2", ""},
      {"Command15", ""},  {"Text13", "c"}};
  for (const auto& [name, text] : steps) *text != '\0' ? type(name, text) : click(name);
  QTest::keyClick(&widget<QComboBox>("Combo2"), Qt::Key_Down);  // 整列
  widget<QLineEdit>("shanchu").clear();
  type("shanchu", "C");
  click("shanchucom");

  const Lines expected{"7|C|合计",    "{插入行}|正行|5", "{删除行}|正行|9", "{合并}|B7|C8", "{清空}|A1|D4",
                       "{表名}|汇总", "{列距}|D|12",     "{行距}|3|30",     "{小偷}5|b|",   "{删除列}|整列|C"};
  EXPECT_EQ(shownLines("List3"), expected);
  EXPECT_EQ(widget<QLineEdit>("Text13").text(), "C");
}

// Remove takes the clicked rule only; clear takes all, and only when confirmed.
TEST_F(MainWindowView, RemoveTakesTheClickedRuleOnlyAndClearTakesAllWhenConfirmed) {
  form.List3.items = {"1||", "2||", "3||"};
  window->refresh();
  auto& rules = widget<QListWidget>("List3");
  QTest::mouseClick(rules.viewport(), Qt::LeftButton, {}, rules.visualItemRect(rules.item(1)).center());
  QSignalSpy echoes(&rules, &QListWidget::currentRowChanged);
  click("Command3");
  click("Command3");  // the removed rule's neighbour is not taken as well
  EXPECT_EQ(shownLines("List3"), (Lines{"1||", "3||"}));
  EXPECT_EQ(echoes.count(), 0) << "the list showing its model signals nothing back";
  click("Command10");  // asked, and 取消 is the default answer
  EXPECT_EQ(rules.count(), 2);
  dialogs.confirmAnswers = {true};
  click("Command10");
  EXPECT_EQ(dialogs.questions, (Lines{2, "要清空全部 2 条规则吗？清空后不能恢复。"}));
  EXPECT_EQ(rules.count(), 0);
}

// The rule panel scrolls far enough to show its lowest frame, and back.
TEST_F(MainWindowView, RulePanelFollowsItsScrollBarToTheBottomAndBack) {
  auto& bar = widget<QScrollBar>("VScroll1");
  auto& panel = widget<QWidget>("Frame1");
  bar.triggerAction(QAbstractSlider::SliderToMaximum);
  const QRect lowest = widget<QWidget>("Frame20").geometry().translated(panel.pos());
  EXPECT_LE(lowest.bottom(), panel.parentWidget()->height()) << "the lowest frame is in sight";
  bar.triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(panel.y(), 0);
}

// A logged file opens with the desktop's program; a gone one gets a message saying why (each cause: ErrorLogTest).
TEST_F(MainWindowView, DoubleClickOnALoggedFileOpensItOrSaysWhyNot) {
  const std::string book = scratch / "报表.xls", gone = scratch / "已删除.xls";
  std::ofstream(book) << "x";
  form.List4.items = {"不是文件", batch::VetoEntry(book), batch::RuleFailureEntry(gone)};
  window->refresh();
  auto& log = widget<QListWidget>("List4");
  const auto doubleClick = [&](int row) {
    const QPoint at = log.visualItemRect(log.item(row)).center();
    QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(log.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(log.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(log.viewport(), Qt::LeftButton, {}, at);
  };
  for (int row : {1, 0, 2}) doubleClick(row);
  EXPECT_EQ(opener.opened, Lines{book});
  EXPECT_EQ(dialogs.messageTexts(), Lines{"无法打开这个文件：" + gone + " 不存在"});
}

// The rule file and preview buttons sit in the rules frame clear of the list's commands; save and load.
TEST_F(MainWindowView, RuleFileButtonsStandBesideTheListCommandsAndSaveAndLoad) {
  auto& frame = widget<QWidget>("Frame9");
  std::vector<QRect> taken{widget<QWidget>("Command3").geometry(), widget<QWidget>("Command10").geometry()};
  for (const char* name : {"loadRules", "saveRules", "Preview"}) {
    auto& button = widget<QPushButton>(name);
    EXPECT_EQ(button.parentWidget(), &frame) << name;
    EXPECT_TRUE(frame.rect().contains(button.geometry())) << name;
    for (const QRect& other : taken) EXPECT_FALSE(button.geometry().intersects(other)) << name;
    taken.push_back(button.geometry());
  }

  form.List3.items = {"1|A|合计"};
  window->refresh();
  dialogs.fileAnswers = {scratch / "规则", scratch / "规则.txt"};
  dialogs.choiceAnswers = {1};  // added after the list's rules
  click("saveRules");
  click("loadRules");
  EXPECT_EQ(shownLines("List3"), (Lines{"1|A|合计", "1|A|合计"}));
  EXPECT_EQ(dialogs.questions.size(), 1u);
}

// The kind boxes stand clear of the file list, .xls alone checked; a click reaches model and caption.
TEST_F(MainWindowView, KindChoicesStandInTheFileListsCaptionLine) {
  auto& list = widget<QWidget>("List2");
  EXPECT_EQ(list.geometry(), ui::qt::ToPixels(ui::qt::layout::List2));
  for (const char* name : {"TypeXls", "TypeXlsx", "TypeXlsm", "TypeOds"}) {
    auto& box = widget<QCheckBox>(name);
    EXPECT_EQ(box.parentWidget(), list.parentWidget()) << name;
    EXPECT_TRUE(box.parentWidget()->rect().contains(box.geometry())) << name;
    EXPECT_FALSE(box.geometry().intersects(list.geometry())) << name;
    EXPECT_EQ(box.isChecked(), std::string(name) == "TypeXls") << name;
  }
  click("TypeOds");
  EXPECT_EQ(form.TypeOds.value, 1);
  EXPECT_EQ(widget<ui::qt::CaptionFrame>("Frame15").caption(), "文件列表[ 只针对 .xls .ods 文件 ]");
}

// Enlarging grows the lists and moves the rest down unchanged; never smaller than, and back to, the layout.
TEST_F(MainWindowView, EnlargingGrowsTheListsAndTheDefaultSizeKeepsTheLayout) {
  const QSize standard = ui::qt::ToPixels(ui::qt::layout::kClient);
  EXPECT_EQ(window->minimumSize(), standard);
  const char* names[] = {"List2", "List3", "List4", "Command3", "Frame4", "Check1", "Command4", "Picture1"};
  std::map<std::string, QRect> before;
  for (const char* name : names) before[name] = widget<QWidget>(name).geometry();
  window->show();
  window->resize(standard + QSize(300, 240));
  const auto grown = [&](const char* name) { return widget<QWidget>(name).geometry().size() - before[name].size(); };
  const auto moved = [&](const char* name) { return widget<QWidget>(name).geometry().topLeft() - before[name].topLeft(); };
  EXPECT_EQ(grown("List2"), QSize(300, 80));
  EXPECT_EQ(grown("List3"), QSize(0, 160));
  EXPECT_EQ(grown("List4"), QSize(300, 160));
  EXPECT_EQ(moved("Command3"), QPoint(0, 160)) << "the list's commands stay at its bottom";
  for (const char* name : {"Frame4", "Check1", "Command4", "Picture1"}) {
    EXPECT_EQ(moved(name), QPoint(0, 240)) << name;
    EXPECT_EQ(grown(name), QSize(0, 0)) << name;
  }
  window->resize(standard);
  for (const char* name : names) EXPECT_EQ(widget<QWidget>(name).geometry(), before[name]) << name;
  EXPECT_EQ(widget<QWidget>("List3").geometry(), ui::qt::ToPixels(ui::qt::layout::List3));
}

// A rule added to a long list is scrolled into view; greyed 打开目录 says what it waits for.
TEST_F(MainWindowView, ANewRuleIsScrolledIntoViewAndTheGreyedSourceCommandSaysWhy) {
  for (int i = 1; i <= 20; ++i) form.List3.items.push_back(std::to_string(i) + "|A|x");
  window->refresh();
  type("Text1", "21");
  type("Text2", "B");
  click("Command1");
  auto& rules = widget<QListWidget>("List3");
  const QRect last = rules.visualItemRect(rules.item(20));
  EXPECT_TRUE(rules.viewport()->rect().contains(last)) << last.y() << " in " << rules.viewport()->height();
  EXPECT_NE(widget<QWidget>("Command2").toolTip().indexOf("确定"), -1);
  click("Command11");
  EXPECT_EQ(widget<QWidget>("Command2").toolTip().indexOf("确定"), -1);
}

// The run's counts are never cut off on the bar; the tooltip keeps them all.
TEST_F(MainWindowView, TheRunsCountsAreNeverCutOff) {
  auto& summary = widget<QLabel>("runSummary");
  for (const int each : {1, 12, 1234}) {
    form.tally = {true, 0, 6 * each, {}};
    form.tally.counts.fill(each);
    window->refresh();
    QTextDocument drawn;
    drawn.setDefaultFont(summary.font()), drawn.setDocumentMargin(0), drawn.setHtml(summary.text());
    const QString shown = drawn.toPlainText();
    EXPECT_LE(drawn.idealWidth(), summary.contentsRect().width()) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QString("失败 %1").arg(each))) << shown.toStdString();
    EXPECT_TRUE(summary.toolTip().startsWith(QString("共 %1 个文件").arg(6 * each)));
  }
}

// Closing cleans up the office and ends the program.
TEST_F(MainWindowView, ClosingRunsTheCleanUpAndEndsTheProgram) {
  window->show();
  window->close();
  EXPECT_TRUE(cleanUps == 1 && ends == 1) << cleanUps << " " << ends;
}

// 准备好了 shows the main window; 退出 and the title bar's close end the program.
TEST(AboutBoxView, ShowsTheNoticeAndEachWayOut) {
  ui::Form4 form;
  QWidget mainWindow;
  int ends = 0;
  ui::qt::AboutBoxView about{form, mainWindow, [&] { ++ends; }};
  EXPECT_TRUE(Child<QPlainTextEdit>(about, "Text1").toPlainText().startsWith("Sheetwise\tV1.1\n本软件"));
  const std::tuple<std::function<void()>, int, bool> ways[] = {
      {[&] { QTest::mouseClick(&Child<QWidget>(about, "Command1"), Qt::LeftButton); }, 0, true},
      {[&] { QTest::mouseClick(&Child<QWidget>(about, "Command2"), Qt::LeftButton); }, 1, false},
      {[&] { about.close(); }, 2, false}};
  for (const auto& [leave, endsAfter, mainShown] : ways) {
    mainWindow.hide();
    about.show();
    leave();
    EXPECT_EQ(ends, endsAfter) << "way " << endsAfter;
    EXPECT_EQ(mainWindow.isVisible(), mainShown) << "way " << endsAfter;
    EXPECT_TRUE(!mainShown || !about.isVisible());
  }
}

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

// The save check's findings as logged: the reason once, each difference on its own line, in Chinese.
TEST_F(MainWindowView, TheSaveChecksFindingsAreChineseAndSaidOnce) {
  verify::CellValue one;
  one.kind = verify::ValueKind::Number, one.text = "1";
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
TEST_F(MainWindowView, QuickAddSaysTheOfficeIsMissingNotThatTheSheetNameIsWrong) {
  std::ofstream(scratch / "sample.xls") << "x";
  MissingOffice missing;
  rules::QuickAdd withoutOffice{form, form2, dialogs, missing};
  dialogs.fileAnswers = {scratch / "sample.xls"};
  withoutOffice.command9();
  EXPECT_EQ(dialogs.messageTexts(), Lines{ui::OfficeMissingMessage("soffice is missing")});
  EXPECT_FALSE(form2.visible);
}

// 预览 shows the sample's sheet before and after, the cell the rule wrote yellow on both sides.
TEST_F(MainWindowView, PreviewShowsBothReadingsWithTheChangedCellMarked) {
  form.sampleWorkbook = scratch.copyFixture("sheets.xls");
  form.List3.items = {"3|B|改过"};
  click("Preview");
  auto& shown = Child<QWidget>(*window, "preview");
  ASSERT_TRUE(shown.isVisible()) << testing::PrintToString(dialogs.messageTexts());
  const auto& before = *Child<QTableView>(shown, "previewBefore").model();
  const auto& after = *Child<QTableView>(shown, "previewAfter").model();
  EXPECT_EQ(after.index(2, 1).data().toString(), "改过");
  EXPECT_EQ(after.index(2, 1).data(Qt::ToolTipRole).toString(), "修改前：" + before.index(2, 1).data().toString());
  for (const auto* grid : {&before, &after}) {
    EXPECT_TRUE(grid->index(2, 1).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(grid->index(2, 0).data(Qt::BackgroundRole).isValid());
  }
  EXPECT_TRUE(Child<QLabel>(shown, "previewOutcome").text().startsWith("有改动的单元格：1 个"));
  shown.close();
  EXPECT_FALSE(preview.visible);
}

// 撤销上次运行 stands right of 在源文件上修改, clear of its neighbours and its
// caption whole; greyed out during a run; with no run kept, it says so.
TEST_F(MainWindowView, UndoLastRunStandsBesideTheInPlaceBoxAndSaysWhenThereIsNothingToUndo) {
  auto& undo = widget<QPushButton>("UndoLastRun");
  for (const char* neighbour : {"Check1", "Frame7", "Frame8", "Frame2"}) {
    EXPECT_FALSE(undo.geometry().intersects(widget<QWidget>(neighbour).geometry())) << neighbour;
  }
  EXPECT_TRUE(window->rect().contains(undo.geometry()));
  EXPECT_LE(undo.fontMetrics().horizontalAdvance(undo.text()), undo.width() - 4);
  form.List2.items = {"/src/a.xls"};
  form.Text4.text = "/src/";
  form.Text5.text = scratch / "save/";
  click("Command4");
  EXPECT_FALSE(undo.isEnabled());
  for (int ticks = 0; form.Timer1.enabled && ticks < 20; ++ticks) driver.Timer1_Timer();
  window->refresh();
  ASSERT_TRUE(undo.isEnabled());
  dialogs.messages.clear();
  click("UndoLastRun");
  EXPECT_EQ(dialogs.messageTexts(), Lines{batch::kNothingToUndo});
}

}  // namespace
}  // namespace sheetwise::test

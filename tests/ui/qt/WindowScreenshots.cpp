// window_screenshots OUTDIR [SAMPLE.xls]: saves PNG pictures of the program's
// real windows: the about box, the main window as it opens and at its layout's
// size with rules at the top, with more kinds of workbook chosen, scrolled to
// the bottom, with an error log of every kind and enlarged; the error log's
// reasons (and the whole screen, where it can be grabbed), the question before
// a run over the sources, and, given a sample, the grid picker filled from it
// and the rule list tried on it (预览).
// The choosers answer with the sample and its folder; messages go to stderr.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "Program.h"
#include "batch/LogEntries.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/Translations.h"
#include "ui/handlers/BatchDriver.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/PreviewView.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/ReasonsView.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::app {
namespace {

class ScreenshotDialogs final : public ui::Dialogs {
 public:
  explicit ScreenshotDialogs(QString sample) : sample_(std::move(sample)) {}
  void message(const std::string& text, ui::MessageStyle) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  bool confirm(const std::string& question, const std::string&) override {
    std::fprintf(stderr, "question: %s\n", question.c_str());
    return false;
  }
  int choose(const std::string&, const std::vector<std::string>&) override { return -1; }
  std::string input(const std::string&) override { return {}; }
  std::string chooseFolder(const std::string&) override {
    return sample_.isEmpty() ? std::string() : QFileInfo(sample_).absolutePath().toStdString();
  }
  std::string chooseFile(const std::string&) override { return sample_.toStdString(); }
  std::string chooseSaveFile(const std::string&, const std::string&) override { return {}; }
  void processPendingEvents() override { QCoreApplication::processEvents(); }

 private:
  QString sample_;
};

// Lets the window settle for rounds of 20 ms, then saves its picture.
bool Save(QWidget& window, const QDir& folder, const char* name, int rounds = 10) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  const QString path = folder.filePath(name);
  const bool saved = window.grab().save(path);
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

// The whole screen, on a platform that can grab it (not offscreen).
bool SaveScreen(const QDir& folder, const char* name) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return true;
  const QString path = folder.filePath(name);
  const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(path);
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

template <typename W>
W& Child(QWidget& window, const char* name) {
  W* child = window.findChild<W*>(name);
  if (child == nullptr) qFatal("no control %s", name);
  return *child;
}

// Returns the exit code: 0 when every picture was written.
int TakeScreenshots(Program& program, const QDir& folder, const QString& sample) {
  bool ok = true;
  program.start();
  ok &= Save(program.aboutBox(), folder, "about.png");

  Child<QPushButton>(program.aboutBox(), "Command1").click();
  auto& window = program.mainWindow();
  program.form().List3.items = {"7|B|合计",       "{插入行}|正行|5", "{合并}|B7|B8",   "8|C|小计",
                                "{删除行}|正行|9", "{清空}|A1|D4",    "{表名}|汇总",    "{列距}|D|12",
                                "{行距}|3|30",     "9|D|备注"};
  ok &= Save(window, folder, "main-opened.png", 60);  // as it opens, before 确定; after the memory bar's first tick
  Child<QPushButton>(window, "Command11").click();
  Child<QPushButton>(window, "Command2").click();
  const QSize opened = window.size();
  window.resize(window.minimumSize());
  ok &= Save(window, folder, "main-top.png");  // the layout's own size
  window.resize(opened);
  // More kinds chosen beside the file list: the folder is listed again, the caption names them.
  Child<QCheckBox>(window, "TypeXlsx").click();
  Child<QCheckBox>(window, "TypeOds").click();
  ok &= Save(window, folder, "main-kinds.png");
  Child<QCheckBox>(window, "TypeXlsx").click();
  Child<QCheckBox>(window, "TypeOds").click();
  auto& bar = Child<QScrollBar>(window, "VScroll1");
  bar.setValue(bar.maximum());
  ok &= Save(window, folder, "main-bottom.png");

  const std::string deep = "/home/用户/报表/2024年/各门店月度汇总/东区/第一分店/";
  auto& log = program.errorLog();
  // The entries' log file is written into a folder of its own, not the current one.
  const QTemporaryDir logFolder;
  const QString current = QDir::currentPath();
  QDir::setCurrent(logFolder.path());
  // One entry of each kind, as a run would have logged them, and the run's counts.
  using C = batch::EntryCause;
  const batch::LogEntry entries[] = {
      {batch::RuleFailureEntry(deep + "三月份销售统计表（修订版）.xls"), "规则 1 “0|A|x”：第 0 行不存在", {}, C::RuleFailed},
      {batch::VetoEntry(deep + "四月.xls"), "单元格 B3 的内容是“草稿”，不是“定稿”", {}, C::Vetoed},
      {batch::VerificationEntry("/data/汇总.xls"), "保存后的工作簿在规则未改动之处与源文件不同",
       {"Sheet1!B2：1 → 2", "Sheet1!C3：合计 → 总计"}, C::CopyDiffers},
      {batch::VerificationEntry("/data/大表.xls"), "无法校验：内存不足", {}, C::Unchecked},
      {batch::ProcessingErrorEntry("/data/损坏的文件.xls"), "办公软件无法读取这种文件", {}, C::CannotOpen},
      {batch::ProcessingErrorEntry("/data/五月.xls"), "没有名为“Sheet1”的工作表", {}, C::SheetMissing},
      {batch::ProcessingErrorEntry("/data/六月.xls"), "另一个程序正打开它", {}, C::InUse},
      {batch::RuleFailureEntry("/data/七月.xls"), "规则 2：无法读取", {}, C::RuleUnreadable},
      {batch::RuleFailureEntry("/data/八月.xls"), "保存后的工作簿在规则未改动之处与源文件不同",
       {"Sheet1!D4：3 → 空"}, C::InPlaceRefused},
      {batch::RuleFailureEntry("/data/九月.xls"), "文件名规则指回源文件", {}, C::OutputIsSource},
      {batch::RuleFailureEntry("/data/十月.xls"), "磁盘已满", {}, C::SaveFailed},
      {batch::ProcessingErrorEntry("/data/十一月.xls"), "单元格无法读取", {}, C::ExtractionFailed}};
  auto& tally = program.form().tally;
  tally = {true, 0, 14, {}};
  tally.counts[0] = 2;
  for (const auto& entry : entries) {
    log.add(entry);
    ++tally.counts[static_cast<size_t>(ui::CountOf(entry.cause))];
  }
  QDir::setCurrent(current);
  window.refresh();
  ok &= Save(window, folder, "main-log.png");
  window.reasonsView().open();
  ok &= SaveScreen(folder, "screen-reasons.png");  // where the two windows stand
  window.reasonsView().resize(1240, 1000);  // every kind in sight
  ok &= Save(window.reasonsView(), folder, "reasons.png");
  window.reasonsView().hide();

  // The question before a run that saves over its sources.
  const auto question = ui::qt::QuestionBox(batch::InPlaceQuestion(18, batch::WindowRunsFolder().string()), batch::kInPlaceGoOn, &window);
  question->show();
  ok &= Save(*question, folder, "in-place-question.png");
  question->hide();

  // Enlarged: the lists take the room, the other controls keep their shapes.
  window.resize(window.width() + 400, window.height() + 200);
  ok &= Save(window, folder, "main-enlarged.png");

  if (!sample.isEmpty()) {
    Child<QPushButton>(window, "Command9").click();
    auto& picker = window.pickerView();
    if (!picker.isVisible()) return 1;
    picker.grid().selectionModel()->select(
        QItemSelection(picker.grid().model()->index(2, 1), picker.grid().model()->index(5, 3)),
        QItemSelectionModel::Select);
    ok &= Save(picker, folder, "picker.png");
    // The rule list tried on the same sample.
    Child<QPushButton>(window, "Preview").click();
    if (!window.previewView().isVisible()) return 1;
    ok &= Save(window.previewView(), folder, "preview.png");
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace sheetwise::app

int main(int argc, char** argv) {
  using namespace sheetwise;
  QApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2 || arguments.size() > 3) {
    std::fprintf(stderr, "usage: window_screenshots OUTDIR [SAMPLE.xls]\n");
    return 2;
  }
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ui::qt::InstallFontSubstitutions();
  ui::qt::InstallChineseTranslations();
  const QDir folder(arguments[1]);
  if (!folder.mkpath(".")) return 1;
  const QString sample = arguments.size() == 3 ? QFileInfo(arguments[2]).absoluteFilePath() : QString();
  app::ScreenshotDialogs dialogs(sample);
  app::Program program(dialogs, [] { QCoreApplication::exit(0); });
  return app::TakeScreenshots(program, folder, sample);
}

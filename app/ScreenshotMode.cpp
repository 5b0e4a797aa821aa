#include "ScreenshotMode.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <cstdio>

#include "Program.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/SampleGridView.h"

namespace sheetwise::app {

namespace {

void Settle(int rounds = 10) {
  for (int i = 0; i < rounds; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
  Settle();
  const QString path = folder.filePath(name);
  const bool saved = window.grab().save(path);
  std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
}

template <typename W>
W& Child(QWidget& window, const char* name) {
  W* child = window.findChild<W*>(name);
  if (child == nullptr) qFatal("no control %s", name);
  return *child;
}

// Types into a field and presses a command as the user would.
void Enter(QWidget& window, const char* field, const char* text) {
  auto& edit = Child<QLineEdit>(window, field);
  edit.setText(QString::fromUtf8(text));
  emit edit.textEdited(edit.text());
}

void AddSampleRules(QWidget& window) {
  Enter(window, "Text2", "b");
  Enter(window, "Text1", "7");
  Enter(window, "Text3", "合计");
  Child<QPushButton>(window, "Command1").click();
  Enter(window, "charu", "5");
  Child<QPushButton>(window, "charucom").click();
  Enter(window, "hebingx", "B7");
  Enter(window, "hebingy", "B8");
  Child<QPushButton>(window, "hebingxvv").click();
}

}  // namespace

std::optional<ScreenshotRequest> RequestedScreenshots() {
  const QString folder = qEnvironmentVariable("SHEETWISE_SCREENSHOTS");
  if (folder.isEmpty()) return std::nullopt;
  return ScreenshotRequest{folder, qEnvironmentVariable("SHEETWISE_SCREENSHOT_SAMPLE")};
}

void ScreenshotDialogs::message(const std::string& text, ui::MessageStyle) {
  std::fprintf(stderr, "message: %s\n", text.c_str());
}
std::string ScreenshotDialogs::input(const std::string&) { return {}; }
std::string ScreenshotDialogs::chooseFolder(const std::string&) {
  return sample_.isEmpty() ? std::string() : QFileInfo(sample_).absolutePath().toStdString();
}
std::string ScreenshotDialogs::chooseFile(const std::string&) { return sample_.toStdString(); }
void ScreenshotDialogs::processPendingEvents() { QCoreApplication::processEvents(); }

int TakeScreenshots(Program& program, const ScreenshotRequest& request) {
  QDir folder(request.folder);
  if (!folder.mkpath(".")) return 1;
  bool ok = true;
  program.start();
  ok &= Save(program.aboutBox(), folder, "about.png");

  Child<QPushButton>(program.aboutBox(), "Command1").click();
  auto& window = program.mainWindow();
  AddSampleRules(window);
  Child<QPushButton>(window, "Command11").click();
  Child<QPushButton>(window, "Command2").click();
  Settle(60);  // the memory bar's first tick
  ok &= Save(window, folder, "main-top.png");
  auto& bar = Child<QScrollBar>(window, "VScroll1");
  bar.setValue(bar.maximum());
  ok &= Save(window, folder, "main-bottom.png");

  if (!request.sample.isEmpty()) {
    Child<QPushButton>(window, "Command9").click();
    auto& picker = window.pickerView();
    if (!picker.isVisible()) return 1;
    picker.grid().selectionModel()->select(
        QItemSelection(picker.grid().model()->index(2, 1), picker.grid().model()->index(5, 3)),
        QItemSelectionModel::Select);
    ok &= Save(picker, folder, "picker.png");
  }
  return ok ? 0 : 1;
}

}  // namespace sheetwise::app

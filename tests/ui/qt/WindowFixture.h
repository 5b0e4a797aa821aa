#pragma once
// The main window on scripted ports: dialogs that answer from scripts and a
// clock that stands still. A run hands each workbook to `process`, which does
// nothing unless a test sets it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "batch/LogFile.h"
#include "host/LibreOfficeHost.h"
#include "ui/ErrorLog.h"
#include "ui/qt/MainWindowView.h"  // with the models and logic its ports need

namespace sheetwise::test {

using Lines = std::vector<std::string>;

// The child widget of that name; throws when there is none.
template <typename W>
W& Child(QObject& parent, const char* name) {
  W* found = parent.findChild<W*>(name);
  if (found == nullptr) throw std::runtime_error(std::string("no widget ") + name);
  return *found;
}

class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() {
    ui::qt::MainWindowPorts ports{dialogs, opener, memory, driver, quickAdd, picker, form2, previewCommand,
                                  preview, inPlaceRuns, results, log.entries(), log.times(),
                                  [this] { ++cleanUps; }, [this] { ++ends; }};
    window = std::make_unique<ui::qt::MainWindowView>(form, std::move(ports));
  }

  template <typename W>
  W& widget(const char* name) {
    return Child<W>(*window, name);
  }

  void click(const char* button) { QTest::mouseClick(&widget<QWidget>(button), Qt::LeftButton); }

  // Text as an input method commits it: the field takes it as typed.
  void type(const char* field, const char* text) {
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8(text));
    QApplication::sendEvent(&widget<QWidget>(field), &commit);
  }

  Lines shownLines(const char* list) {
    Lines lines;
    auto& l = widget<QListWidget>(list);
    for (int i = 0; i < l.count(); ++i) lines.push_back(l.item(i)->text().toStdString());
    return lines;
  }

  ui::Form1 form;
  ui::Form2 form2;
  ScriptedDialogs dialogs;
  ScriptedFileOpener opener;
  ScriptedClock clock{{2024, 5, 6, 7, 8, 9}};
  host::ProcMemoryFigures memory;
  TempDir scratch;
  batch::LogFile logFile{clock, scratch.path() / "错误日志.log"};
  ui::ErrorLog log{form, logFile};
  std::function<void(const std::string&)> process = [](const std::string&) {};
  int cleanUps = 0;
  int ends = 0;
  extract::ExtractionResults results;
  batch::BatchDriver driver{form,
                            {dialogs, clock, logFile, log.entries(), [this](const std::string& p) { process(p); },
                             [](const std::string&) {}, [] {}}};
  rules::GridPicker picker{form2, form, dialogs};
  rules::QuickAdd quickAdd{form, form2, dialogs, SharedHost()};
  ui::SamplePreview preview;
  batch::InPlaceRuns inPlaceRuns{scratch.path() / "runs", clock};
  rules::PreviewCommand previewCommand{form, preview, dialogs, SharedHost()};
  std::unique_ptr<ui::qt::MainWindowView> window;
};

}  // namespace sheetwise::test

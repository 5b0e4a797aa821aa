#pragma once
// The main window (Form1): every control of the layout, bound to its
// member of the model. Commands, timers, the panel's scroll bar and the
// error log's double click run their handlers, after which every window is
// shown again from its model. The extraction results and the error log's
// reasons have windows of their own. Closing the window runs the closing
// clean-up and ends the program.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <tuple>
#include <vector>

#include "batch/RunLog.h"
#include "extract/ExtractionResults.h"
#include "host/FileOpener.h"
#include "host/MemoryFigures.h"
#include "ui/Dialogs.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/handlers/BatchDriver.h"
#include "ui/handlers/GridPicker.h"
#include "ui/handlers/PreviewCommand.h"
#include "ui/handlers/QuickAdd.h"
#include "ui/qt/MainBinder.h"

class QLabel;
class QPushButton;
class QListWidget;
class QScrollBar;

namespace sheetwise::ui::qt {

class PickerView;
class PreviewView;
class ReasonsView;
class ResultsView;

struct MainWindowPorts {
  Dialogs& dialogs;
  host::FileOpener& fileOpener;
  host::MemoryFigures& memory;
  batch::BatchDriver& driver;
  rules::QuickAdd& quickAdd;
  rules::GridPicker& picker;
  Form2& pickerForm;
  rules::PreviewCommand& preview;
  SamplePreview& previewForm;
  const batch::InPlaceRuns& inPlaceRuns;  // the runs 撤销上次运行 takes back
  const extract::ExtractionResults& results;
  const std::vector<batch::LogEntry>& logEntries;  // List4's entries with their reasons
  const std::vector<std::string>& logTimes;        // the date and time of each
  std::function<void()> closingCleanUp;  // when the window closes, before the program ends
  std::function<void()> endProgram;
};

class MainWindowView final : public QWidget {
 public:
  // Loads the window, hidden: builds it, runs the start-up steps, shows the model.
  MainWindowView(Form1& form, MainWindowPorts ports);

  // Shows every window (this one, the picker, the preview, the results) from its model.
  void refresh();
  PickerView& pickerView() { return *picker_; }
  PreviewView& previewView() { return *preview_; }
  ResultsView& resultsView() { return *results_; }
  ReasonsView& reasonsView() { return *reasons_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void run(const std::function<void()>& handler);
  void buildFileQueue();
  void buildRuleList();
  void buildRuleFileCommands(QListWidget& rules);
  void buildErrorLog();
  void buildRulePanel();
  void buildStandardKinds(QWidget& panel);
  void buildRowKinds(QWidget& panel);
  void buildRangeKinds(QWidget& panel);
  void buildSpacingKinds(QWidget& panel);
  void buildExtractionKind(QWidget& panel);
  void buildSpeedAndSheetName();
  void buildFolders();
  void buildNamingAndVeto();
  void buildMemoryAndRun();
  void buildRunSummary();
  void showRunSummary();
  void buildTimers();
  void buildResultsAccess(QWidget& errorLog, QWidget& extractionFrame);
  void tickDriver();
  void rememberLayout();
  void placeOnScreen();
  void showRules();
  void showLogDetails();

  Form1& form_;
  MainWindowPorts ports_;
  MainBinder binder_;
  QWidget* picture1_ = nullptr;
  QWidget* frame1_ = nullptr;
  QScrollBar* vscroll1_ = nullptr;
  QListWidget* errorLog_ = nullptr;
  QWidget* extractionFrame_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* command2_ = nullptr;
  QListWidget* rules_ = nullptr;
  int rulesShown_ = 0;
  bool placed_ = false;
  // The controls that follow a larger window: where each stands at the default
  // size, and its place in the table of how it follows.
  std::vector<std::tuple<QWidget*, QRect, size_t>> laidOut_;
  QTimer timer1_;
  QTimer timer2_;
  bool inDriverTick_ = false;
  PickerView* picker_ = nullptr;
  PreviewView* preview_ = nullptr;
  ResultsView* results_ = nullptr;
  ReasonsView* reasons_ = nullptr;
};

}  // namespace sheetwise::ui::qt

#include "ui/qt/MainWindowView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <exception>

#include "ui/MainWindowStartup.h"
#include "ui/MemoryMonitor.h"
#include "ui/qt/AppIcon.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/PickerView.h"
#include "ui/qt/PreviewView.h"
#include "ui/qt/ReasonsView.h"
#include "ui/qt/ResultsView.h"

namespace sheetwise::ui::qt {

MainWindowView::MainWindowView(Form1& form, MainWindowPorts ports)
    : form_(form),
      ports_(std::move(ports)),
      binder_(form, [this](const std::function<void()>& h) { run(h); }),
      timer1_(this),
      timer2_(this) {
  setObjectName("Form1");
  setWindowTitle(kAppTitle);
  setWindowIcon(AppIcon());
  setFont(WindowFont(kSong, 9));
  setMinimumSize(ToPixels(layout::kClient));
  resize(ToPixels(layout::kClient));

  buildFileQueue();
  buildRuleList();
  buildErrorLog();
  buildRulePanel();
  buildSpeedAndSheetName();
  buildFolders();
  buildNamingAndVeto();
  buildMemoryAndRun();
  buildTimers();
  picker_ = new PickerView(ports_.pickerForm, ports_.picker, [this](const std::function<void()>& h) { run(h); }, this);
  preview_ = new PreviewView(ports_.previewForm, this);
  results_ = new ResultsView(ports_.results, this);
  reasons_ = new ReasonsView(ports_.logEntries, form_.tally, this);
  buildResultsAccess(*errorLog_, *extractionFrame_);
  rememberLayout();

  Form1_Load(form_);
  refresh();
}

void MainWindowView::run(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    // Handlers report their own failures; this only keeps an unforeseen one
    // from taking the program down with the user's unsaved settings.
    ports_.dialogs.message(e.what(), MessageStyle::Plain);
  }
  refresh();
}

void MainWindowView::refresh() {
  binder_.refresh();
  showLogDetails();
  showRunSummary();
  showRules();
  // Shown also while the button is greyed out, to say what it waits for.
  command2_->setToolTip(form_.Command2.enabled ? "选择源目录：其中的工作簿都排进文件列表"
                                               : "先在“表名”填好工作表名并按“确定”，才能打开目录");
  frame1_->setEnabled(form_.Frame1.enabled);
  frame1_->move(0, TwipsToPx(form_.Frame1Top));
  Show(timer1_, form_.Timer1);
  Show(timer2_, form_.Timer2);
  picker_->refresh();
  preview_->refresh();
  results_->refresh();
  reasons_->refresh();
}

void MainWindowView::buildTimers() {
  timer1_.setObjectName("Timer1");
  timer2_.setObjectName("Timer2");
  connect(&timer1_, &QTimer::timeout, this, [this] { tickDriver(); });
  connect(&timer2_, &QTimer::timeout, this, [this] { run([this] { Timer2_Timer(form_, ports_.memory); }); });
}

// A tick that shows a message or lets pending events through must not be
// entered again by the next timeout.
void MainWindowView::tickDriver() {
  if (inDriverTick_) return;
  const QScopedValueRollback<bool> busy(inDriverTick_, true);
  run([this] { ports_.driver.Timer1_Timer(); });
}

// A rule added at the end is scrolled into view.
void MainWindowView::showRules() {
  if (rules_->count() > rulesShown_) rules_->scrollToBottom();
  rulesShown_ = rules_->count();
}

void MainWindowView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) placeOnScreen();
  placed_ = true;
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  event->accept();
  timer1_.stop();
  timer2_.stop();
  if (ports_.closingCleanUp) ports_.closingCleanUp();
  if (ports_.endProgram) ports_.endProgram();
}

// The wheel over the rule input panel turns its scroll bar.
bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == picture1_ && event->type() == QEvent::Wheel && vscroll1_->isEnabled()) {
    QCoreApplication::sendEvent(vscroll1_, event);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace sheetwise::ui::qt

// The main window's three lists: the file queue, the rule list with its two
// commands and the error log.

#include "batch/ErrorLog.h"
#include "rules/RuleEditor.h"
#include "ui/MainWindowStartup.h"
#include "ui/qt/ExtentList.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"

namespace sheetwise::ui::qt {

namespace {

ExtentList* ExtentListOf(QWidget* parent, const QFont& font) {
  auto* list = new ExtentList(parent);
  list->setFont(font);
  list->setHorizontalExtent(kListHorizontalExtentPixels);
  return list;
}

}  // namespace

void MainWindowView::buildFileQueue() {
  QWidget* frame = binder_.frame(this, "Frame15", &Form1::Frame15, layout::Frame15);
  binder_.list(ExtentListOf(frame, WindowFont(kSong, 10.5)), "List2", &Form1::List2, layout::List2);
  binder_.list(new QListWidget(this), "List1", &Form1::List1, layout::List1)->hide();
}

void MainWindowView::buildRuleList() {
  QWidget* frame = binder_.frame(this, "Frame9", &Form1::Frame9, layout::Frame9);
  binder_.list(new QListWidget(frame), "List3", &Form1::List3, layout::List3)->setFont(WindowFont(kNewSong, 12));
  binder_.button(frame, "Command3", &Form1::Command3, layout::Command3, [this] { rules::Command3_Click(form_); });
  binder_.button(frame, "Command10", &Form1::Command10, layout::Command10, [this] { rules::Command10_Click(form_); });
}

void MainWindowView::buildErrorLog() {
  QWidget* frame = binder_.frame(this, "Frame6", &Form1::Frame6, layout::Frame6);
  QListWidget* log = binder_.list(ExtentListOf(frame, WindowFont(kSong, 12)), "List4", &Form1::List4, layout::List4);
  connect(log, &QListWidget::itemDoubleClicked, this, [this, log](QListWidgetItem* item) {
    form_.List4.selection = log->row(item);
    run([this] { batch::OpenLoggedFile(form_, ports_.fileOpener); });
  });
  binder_.list(new QListWidget(frame), "xiaotou", &Form1::xiaotou, layout::xiaotou)->hide();
  errorLog_ = log;
}

}  // namespace sheetwise::ui::qt

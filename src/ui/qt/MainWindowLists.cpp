// The main window's three lists: the file queue with the kinds of workbook it
// takes, the rule list with its commands and the error log.

#include "ui/ErrorLog.h"
#include "ui/ReasonRows.h"
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <tuple>

#include "ui/MainWindowStartup.h"
#include "ui/handlers/FolderChoice.h"
#include "ui/handlers/RuleEditor.h"
#include "ui/handlers/RuleFileCommands.h"
#include "ui/qt/ExtentList.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"

namespace sheetwise::ui::qt {

namespace {

// A list whose viewport can leave room at its edges.
class RuleList final : public QListWidget {
 public:
  using QListWidget::QListWidget;
  using QAbstractScrollArea::setViewportMargins;
};

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
  const std::tuple<const char*, CheckBox Form1::*, TwipsRect, const char*> kinds[] = {
      {"TypeXls", &Form1::TypeXls, layout::TypeXls, ".xls"},
      {"TypeXlsx", &Form1::TypeXlsx, layout::TypeXlsx, ".xlsx"},
      {"TypeXlsm", &Form1::TypeXlsm, layout::TypeXlsm, ".xlsm"},
      {"TypeOds", &Form1::TypeOds, layout::TypeOds, ".ods"}};
  for (const auto& [name, member, place, caption] : kinds) {
    QCheckBox* box = binder_.check(frame, name, member, place, caption, [this] { batch::KindsChanged(form_); });
    box->setToolTip("扫描目录时选取这类文件");
    // Over the frame's top edge, in its 13-pixel caption line.
    box->setStyleSheet(
        "QCheckBox::indicator { width: 11px; height: 11px; }"
        "QCheckBox { spacing: 3px; background-color: palette(window); }");
  }
  binder_.list(new QListWidget(this), "List1", &Form1::List1, layout::List1)->hide();
}

void MainWindowView::buildRuleList() {
  QWidget* frame = binder_.frame(this, "Frame9", &Form1::Frame9, layout::Frame9);
  auto* rules = new RuleList(frame);
  binder_.list(rules, "List3", &Form1::List3, layout::List3);
  rules->setFont(WindowFont(kNewSong, 12));
  // No rule hides under the commands that stand over the list's bottom.
  rules->setViewportMargins(0, 0, 0, ToPixels(layout::List3).bottom() + 1 - ToPixels(layout::Command3).top());
  rules_ = rules;
  buildRuleFileCommands(*rules);
  binder_.button(frame, "Preview", &Form1::Preview, layout::Preview, [this] { ports_.preview.command(); })
      ->setToolTip("预览：在添加快选过的样本工作簿上试运行规则列表，并排显示修改前后的工作表（不改动样本）");
  binder_.button(frame, "Command3", &Form1::Command3, layout::Command3, [this] { rules::Command3_Click(form_); });
  binder_.button(frame, "Command10", &Form1::Command10, layout::Command10, [this] { rules::ClearRulesAsking(form_, ports_.dialogs); });
}

// "载入规则…" and "保存规则…": two buttons beside "移除" and "清空", the same
// in the rule list's context menu, and shortcuts.
void MainWindowView::buildRuleFileCommands(QListWidget& rules) {
  const auto save = [this] { run([this] { rules::SaveRulesCommand(form_, ports_.dialogs); }); };
  const auto load = [this] { run([this] { rules::LoadRulesCommand(form_, ports_.dialogs); }); };
  const std::tuple<const char*, const char*, const char*, TwipsRect, std::function<void()>> buttons[] = {
      {"loadRules", "载入…", "载入规则文件：替换规则列表，或添加到列表末尾（Ctrl+O）", layout::LoadRules, load},
      {"saveRules", "保存…", "把规则列表保存为规则文件（Ctrl+S）", layout::SaveRules, save}};
  for (const auto& [name, caption, tip, place, command] : buttons) {
    auto* button = new QPushButton(caption, rules.parentWidget());
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    button->setGeometry(ToPixels(place));
    connect(button, &QPushButton::clicked, this, command);
  }
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), &QShortcut::activated, this, save);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this), &QShortcut::activated, this, load);
  rules.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&rules, &QWidget::customContextMenuRequested, this, [&rules, save, load](const QPoint& at) {
    QMenu menu;
    menu.addAction("保存规则…\tCtrl+S", save);
    menu.addAction("载入规则…\tCtrl+O", load);
    menu.exec(rules.viewport()->mapToGlobal(at));
  });
}

// Each error-log entry as its date, problem and file name, with the whole
// path, the reason and the verification differences as its tooltip.
void MainWindowView::showLogDetails() {
  const auto& entries = ports_.logEntries;
  const auto& times = ports_.logTimes;
  for (int i = 0; i < errorLog_->count() && static_cast<size_t>(i) < entries.size(); ++i) {
    const auto& entry = entries[static_cast<size_t>(i)];
    const std::string when = static_cast<size_t>(i) < times.size() ? times[static_cast<size_t>(i)] : "";
    const std::string path = ui::ReasonRowOf(entry).path;
    const std::string details = ui::EntryDetails(entry);
    QListWidgetItem* item = errorLog_->item(i);
    item->setText(QString::fromStdString(ui::ShownLogLine(entry, when)));
    item->setToolTip(QString::fromStdString(path + (path.empty() || details.empty() ? "" : "\n") + details));
  }
}

void MainWindowView::buildErrorLog() {
  QWidget* frame = binder_.frame(this, "Frame6", &Form1::Frame6, layout::Frame6);
  QListWidget* log = binder_.list(ExtentListOf(frame, WindowFont(kSong, 12)), "List4", &Form1::List4, layout::List4);
  connect(log, &QListWidget::itemDoubleClicked, this, [this, log](QListWidgetItem* item) {
    form_.List4.selection = log->row(item);
    run([this] { ui::OpenLoggedFile(form_, ports_.fileOpener, ports_.dialogs); });
  });
  binder_.list(new QListWidget(frame), "xiaotou", &Form1::xiaotou, layout::xiaotou)->hide();
  errorLog_ = log;
}

}  // namespace sheetwise::ui::qt

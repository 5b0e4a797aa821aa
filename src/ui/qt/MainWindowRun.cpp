// The memory bar, the run commands, the progress bar with the remaining
// time, and the ways to the windows of the extraction results and of the
// error log's reasons.

#include <QAbstractScrollArea>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QTextDocument>

#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"
#include "ui/qt/ReasonsView.h"
#include "ui/qt/ResultsView.h"

namespace sheetwise::ui::qt {

namespace l = layout;

namespace {

const QColor kBarBorder{128, 128, 128};
const QColor kBarEmpty{255, 255, 255};
const QColor kProgressFill{0, 120, 215};
const QColor kMemoryFill{0, 160, 80};

}  // namespace

void MainWindowView::buildMemoryAndRun() {
  QWidget* memory = binder_.frame(this, "Frame19", &Form1::Frame19, l::Frame19);
  memory->setToolTip("本机内存占用：已用的物理内存占全部内存的比例，每秒更新。占用过高时请放慢处理速度");
  binder_.shape(memory, "Shape3", &Form1::Shape3, l::Shape3, kBarEmpty, kBarBorder);
  binder_.shape(memory, "Shape4", &Form1::Shape4, l::Shape4, kMemoryFill, kMemoryFill);

  auto& driver = ports_.driver;
  binder_.button(this, "Command6", &Form1::Command6, l::Command6, [&driver] { driver.Command6_Click(); });
  binder_.button(this, "Command7", &Form1::Command7, l::Command7, [&driver] { driver.Command7_Click(); });
  binder_.button(this, "Command8", &Form1::Command8, l::Command8, [&driver] { driver.Command8_Click(); });
  binder_.button(this, "Command4", &Form1::Command4, l::Command4, [&driver] { driver.Command4_Click(); });

  binder_.shape(this, "Shape1", &Form1::Shape1, l::Shape1, kBarEmpty, kBarBorder);
  binder_.shape(this, "Shape2", &Form1::Shape2, l::Shape2, kProgressFill, kProgressFill);
  binder_.label(this, "Label8", &Form1::Label8, l::Label8)->setAutoSize(true);
  buildRunSummary();
}

// The last run's counts; each count opens its rows in "错误原因".
void MainWindowView::buildRunSummary() {
  summary_ = new QLabel(this);
  summary_->setObjectName("runSummary");
  summary_->setGeometry(ToPixels(l::RunSummary));
  summary_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  summary_->setContentsMargins(0, 0, 6, 0);  // clear of the window's edge
  summary_->setAutoFillBackground(true);
  connect(summary_, &QLabel::linkActivated, this,
          [this](const QString& count) { reasons_->openCount(static_cast<RunCount>(count.toInt())); });
}

// The counts fit the bar's right part, whole: a line too long for it is set
// smaller (down to three quarters), and where that is not enough it leaves
// out the number of files ("共 N 个文件："), which the tooltip still gives
// with every count.
void MainWindowView::showRunSummary() {
  summary_->setVisible(form_.tally.started);
  summary_->setToolTip(QString::fromStdString(TallyText(form_.tally, true)) +
                       "\n点一个数字，在“错误原因”中只看这一类的文件");
  const QString links = TallyLinks(form_.tally, false);
  const QFont normal = this->font();
  const auto scaled = [&normal](double scale) {
    QFont font = normal;
    if (normal.pointSizeF() > 0) font.setPointSizeF(normal.pointSizeF() * scale);
    else font.setPixelSize(static_cast<int>(normal.pixelSize() * scale));
    return font;
  };
  // As wide as the label draws it: the rich text laid out in that font.
  const auto width = [](const QString& text, const QFont& font) {
    QTextDocument document;
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setHtml(text);
    return document.idealWidth();
  };
  const double room = summary_->contentsRect().width() - 2;
  for (const bool whole : {true, false}) {
    const QString shown = whole ? links : links.section(QStringLiteral("："), 1);
    for (double scale = 1.0; scale > 0.74; scale -= 0.05) {
      const QFont font = scaled(scale);
      if (width(shown, font) <= room || (!whole && scale - 0.05 <= 0.74)) {
        summary_->setFont(font);
        summary_->setText(shown);
        return;
      }
    }
  }
}

// The error log (whose frame holds the hidden extraction result list) opens
// both windows; the frame "小偷类" opens the extraction results.
void MainWindowView::buildResultsAccess(QWidget& errorLog, QWidget& extractionFrame) {
  const auto openResults = [this] { results_->open(); };
  const auto openReasons = [this] { reasons_->open(); };
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this), &QShortcut::activated, this, openResults);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this), &QShortcut::activated, this, openReasons);
  for (QWidget* widget : {&errorLog, &extractionFrame}) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    const bool withReasons = widget == &errorLog;
    connect(widget, &QWidget::customContextMenuRequested, this, [=, this](const QPoint& at) {
      QMenu menu;
      if (withReasons) menu.addAction("错误原因…\tCtrl+R", this, openReasons);
      menu.addAction("提取结果…\tCtrl+E", this, openResults);
      // A scroll area reports the point in its viewport's coordinates.
      auto* area = qobject_cast<QAbstractScrollArea*>(widget);
      menu.exec((area != nullptr ? area->viewport() : widget)->mapToGlobal(at));
    });
  }
}

}  // namespace sheetwise::ui::qt

// The rule input panel: Frame1 with its nine rule-kind frames, scrolled by
// VScroll1 inside the picture box Picture1.

#include <QFrame>

#include "ui/MainWindowStartup.h"
#include "ui/handlers/RuleEditor.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/MainWindowLayout.h"
#include "ui/qt/MainWindowView.h"

namespace sheetwise::ui::qt {

namespace l = layout;

namespace {

QFrame* SunkenBox(QWidget* parent, const char* name, const TwipsRect& place) {
  auto* box = new QFrame(parent);
  box->setObjectName(name);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setLineWidth(TwipsToPx(l::kPictureBorder));
  box->setGeometry(ToPixels(place));
  return box;
}

// The area inside the box's border, where its children are placed.
QWidget* ClientArea(QFrame* box) {
  auto* client = new QWidget(box);
  client->setGeometry(box->contentsRect());
  return client;
}

}  // namespace

void MainWindowView::buildRulePanel() {
  QFrame* picture = SunkenBox(this, "Picture1", l::Picture1);
  picture1_ = ClientArea(picture);
  picture1_->installEventFilter(this);
  frame1_ = new QWidget(picture1_);
  frame1_->setObjectName("Frame1");
  frame1_->setGeometry(ToPixels(l::Frame1));
  buildStandardKinds(*frame1_);
  buildRowKinds(*frame1_);
  buildRangeKinds(*frame1_);
  buildSpacingKinds(*frame1_);
  buildExtractionKind(*frame1_);
  vscroll1_ = binder_.scroll(picture1_, "VScroll1", &Form1::VScroll1, Qt::Vertical, l::VScroll1,
                             [this] { VScroll1_Scroll(form_); });
  vscroll1_->raise();
}

void MainWindowView::buildStandardKinds(QWidget& panel) {
  const QFont field = WindowFont(kNewSong, 10.5);
  QWidget* frame = binder_.frame(&panel, "Frame18", &Form1::Frame18, l::Frame18);
  StaticLabel(frame, "列字母", l::Text2Label);
  binder_.field(frame, "Text2", &Form1::Text2, l::Text2, rules::Text2_Change)->setFont(field);
  StaticLabel(frame, "行数字", l::Text1Label);
  binder_.field(frame, "Text1", &Form1::Text1, l::Text1)->setFont(field);
  StaticLabel(frame, "替换内容", l::Text3Label);
  binder_.field(frame, "Text3", &Form1::Text3, l::Text3)->setFont(field);
  binder_.button(frame, "Command9", &Form1::Command9, l::QuickAddCommand, [this] { ports_.quickAdd.command9(); });
  binder_.button(frame, "Command1", &Form1::Command1, l::AddCommand,
                 [this] { rules::Command1_Click(form_, ports_.dialogs); });
}

void MainWindowView::buildRowKinds(QWidget& panel) {
  QWidget* insert = binder_.frame(&panel, "Frame14", &Form1::Frame14, l::Frame14);
  StaticLabel(insert, "行坐标", l::charuLabel);
  binder_.field(insert, "charu", &Form1::charu, l::charu);
  StaticLabel(insert, "插入方式", l::Combo1Label);
  binder_.combo(insert, "Combo1", &Form1::Combo1, l::Combo1);
  binder_.button(insert, "charucom", &Form1::charucom, l::AddCommand, [this] { rules::charucom_Click(form_); });

  QWidget* remove = binder_.frame(&panel, "Frame13", &Form1::Frame13, l::Frame13);
  StaticLabel(remove, "行坐标", l::shanchuLabel);
  binder_.field(remove, "shanchu", &Form1::shanchu, l::shanchu);
  StaticLabel(remove, "插入方式", l::Combo2Label);
  binder_.combo(remove, "Combo2", &Form1::Combo2, l::Combo2);
  binder_.button(remove, "shanchucom", &Form1::shanchucom, l::shanchucom,
                 [this] { rules::shanchucom_Click(form_); });
}

void MainWindowView::buildRangeKinds(QWidget& panel) {
  QWidget* merge = binder_.frame(&panel, "Frame12", &Form1::Frame12, l::Frame12);
  StaticLabel(merge, "头坐标", l::hebingxLabel);
  binder_.field(merge, "hebingx", &Form1::hebingx, l::hebingx);
  StaticLabel(merge, "例如：B7", l::hebingxHint)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  StaticLabel(merge, "尾坐标", l::hebingyLabel);
  binder_.field(merge, "hebingy", &Form1::hebingy, l::hebingy);
  StaticLabel(merge, "例如：B8", l::hebingyHint)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  binder_.button(merge, "hebingxvv", &Form1::hebingxvv, l::AddCommand, [this] { rules::hebingxvv_Click(form_); });

  QWidget* clear = binder_.frame(&panel, "Frame11", &Form1::Frame11, l::Frame11);
  StaticLabel(clear, "头坐标", l::qingkongxLabel);
  binder_.field(clear, "qingkongx", &Form1::qingkongx, l::qingkongx);
  StaticLabel(clear, "尾坐标", l::qingkongyLabel);
  binder_.field(clear, "qingkongy", &Form1::qingkongy, l::qingkongy);
  binder_.button(clear, "qingkingxxc", &Form1::qingkingxxc, l::AddCommand,
                 [this] { rules::qingkingxxc_Click(form_); });

  QWidget* rename = binder_.frame(&panel, "Frame10", &Form1::Frame10, l::Frame10);
  binder_.field(rename, "gaiming", &Form1::gaiming, l::gaiming)->setFont(WindowFont(kNewSong, 9));
  binder_.button(rename, "gaimingc", &Form1::gaimingc, l::AddCommand,
                 [this] { rules::gaimingc_Click(form_, ports_.dialogs); });
}

void MainWindowView::buildSpacingKinds(QWidget& panel) {
  QWidget* columns = binder_.frame(&panel, "Frame16", &Form1::Frame16, l::Frame16);
  StaticLabel(columns, "列坐标", l::SpacingPlaceLabel);
  binder_.field(columns, "Text15", &Form1::Text15, l::SpacingPlace, rules::Text15_Change);
  StaticLabel(columns, "像素", l::SpacingSizeLabel);
  binder_.field(columns, "Text16", &Form1::Text16, l::SpacingSize);
  binder_.button(columns, "Command13", &Form1::Command13, l::AddCommand, [this] { rules::Command13_Click(form_); });

  QWidget* rows = binder_.frame(&panel, "Frame17", &Form1::Frame17, l::Frame17);
  StaticLabel(rows, "行坐标", l::SpacingPlaceLabel);
  binder_.field(rows, "Text18", &Form1::Text18, l::SpacingPlace);
  StaticLabel(rows, "像素", l::SpacingSizeLabel);
  binder_.field(rows, "Text17", &Form1::Text17, l::SpacingSize);
  binder_.button(rows, "Command14", &Form1::Command14, l::AddCommand, [this] { rules::Command14_Click(form_); });
}

void MainWindowView::buildExtractionKind(QWidget& panel) {
  const QFont field = WindowFont(kNewSong, 10.5);
  QWidget* frame = binder_.frame(&panel, "Frame20", &Form1::Frame20, l::Frame20);
  StaticLabel(frame, "列字母", l::Text20Label);
  binder_.field(frame, "Text20", &Form1::Text20, l::Text20)->setFont(field);
  StaticLabel(frame, "行数字", l::Text21Label);
  binder_.field(frame, "Text21", &Form1::Text21, l::Text21)->setFont(field);
  binder_.check(frame, "Check2", &Form1::Check2, l::Check2, "开启");
  binder_.button(frame, "Command16", &Form1::Command16, l::QuickAddCommand, [this] { ports_.quickAdd.command16(); });
  binder_.button(frame, "Command15", &Form1::Command15, l::AddCommand,
                 [this] { rules::Command15_Click(form_, ports_.dialogs); });
  extractionFrame_ = frame;
}

}  // namespace sheetwise::ui::qt

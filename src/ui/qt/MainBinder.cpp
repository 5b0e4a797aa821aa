#include "ui/qt/MainBinder.h"

namespace sheetwise::ui::qt {

namespace {

template <typename W>
W* Place(W* widget, const char* name, const TwipsRect& place) {
  widget->setObjectName(name);
  widget->setGeometry(ToPixels(place));
  return widget;
}

}  // namespace

CaptionFrame* StaticFrame(QWidget* parent, const QString& caption, const TwipsRect& place, const char* name) {
  auto* frame = Place(new CaptionFrame(parent), name, place);
  frame->setCaption(caption);
  return frame;
}

CaptionLabel* StaticLabel(QWidget* parent, const QString& text, const TwipsRect& place, const char* name) {
  auto* label = new CaptionLabel(parent);
  if (name != nullptr) label->setObjectName(name);
  label->setGeometry(ToPixels(place));
  label->setText(text);
  return label;
}

CaptionFrame* MainBinder::frame(QWidget* parent, const char* name, Captioned Form1::*member,
                                const TwipsRect& place) {
  auto* widget = Place(new CaptionFrame(parent), name, place);
  frames_.push_back({widget, member});
  return widget;
}

namespace {

// A field too narrow for its text scrolls it; the whole text is its tooltip.
void ShowWholeTextAsTip(QLineEdit& field) {
  const QMargins margins = field.textMargins();
  const int room = field.contentsRect().width() - margins.left() - margins.right() - 8;
  const bool fits = field.fontMetrics().horizontalAdvance(field.text()) <= room;
  field.setToolTip(fits ? QString() : field.text());
}

}  // namespace

QLineEdit* MainBinder::field(QWidget* parent, const char* name, TextBox Form1::*member, const TwipsRect& place,
                             void (*changed)(Form1&)) {
  auto* widget = Place(new QLineEdit(parent), name, place);
  QObject::connect(widget, &QLineEdit::textEdited, widget, [this, member, changed](const QString& text) {
    (form_.*member).text = S(text);
    if (changed != nullptr) run_([this, changed] { changed(form_); });
  });
  QObject::connect(widget, &QLineEdit::textChanged, widget, [widget] { ShowWholeTextAsTip(*widget); });
  fields_.push_back({widget, member});
  return widget;
}

QPushButton* MainBinder::button(QWidget* parent, const char* name, Captioned Form1::*member,
                                const TwipsRect& place, std::function<void()> handler) {
  auto* widget = Place(new QPushButton(parent), name, place);
  widget->setAutoDefault(false);
  QObject::connect(widget, &QPushButton::clicked, widget, [this, handler = std::move(handler)] { run_(handler); });
  buttons_.push_back({widget, member});
  return widget;
}

QCheckBox* MainBinder::check(QWidget* parent, const char* name, CheckBox Form1::*member, const TwipsRect& place,
                             const QString& caption, std::function<void()> changed) {
  auto* widget = Place(new QCheckBox(caption, parent), name, place);
  QObject::connect(widget, &QCheckBox::toggled, widget,
                   [this, member](bool checked) { (form_.*member).value = checked ? 1 : 0; });
  if (changed) QObject::connect(widget, &QCheckBox::clicked, widget, [this, changed] { run_(changed); });
  checks_.push_back({widget, member});
  return widget;
}

QComboBox* MainBinder::combo(QWidget* parent, const char* name, ComboBox Form1::*member, const TwipsRect& place) {
  auto* widget = Place(new QComboBox(parent), name, place);
  widget->setEditable(false);
  QObject::connect(widget, &QComboBox::activated, widget,
                   [this, widget, member](int index) { (form_.*member).text = S(widget->itemText(index)); });
  combos_.push_back({widget, member});
  return widget;
}

QListWidget* MainBinder::list(QListWidget* widget, const char* name, ListBox Form1::*member,
                              const TwipsRect& place) {
  Place(widget, name, place);
  QObject::connect(widget, &QListWidget::currentRowChanged, widget,
                   [this, member](int row) { (form_.*member).selection = row; });
  lists_.push_back({member, std::make_unique<ListMirror>(*widget)});
  return widget;
}

QScrollBar* MainBinder::scroll(QWidget* parent, const char* name, ScrollBar Form1::*member,
                               Qt::Orientation orientation, const TwipsRect& place, std::function<void()> changed) {
  auto* widget = Place(new QScrollBar(orientation, parent), name, place);
  QObject::connect(widget, &QScrollBar::valueChanged, widget,
                   [this, member, changed = std::move(changed)](int value) {
                     (form_.*member).value = value;
                     if (changed) run_(changed);
                   });
  scrolls_.push_back({widget, member});
  return widget;
}

CaptionLabel* MainBinder::label(QWidget* parent, const char* name, Captioned Form1::*member,
                                const TwipsRect& place) {
  auto* widget = Place(new CaptionLabel(parent), name, place);
  labels_.push_back({widget, member});
  return widget;
}

ShapeRect* MainBinder::shape(QWidget* parent, const char* name, Shape Form1::*member, const TwipsRect& place,
                             QColor fill, QColor border) {
  auto* widget = Place(new ShapeRect(fill, border, parent), name, place);
  shapes_.push_back({widget, member});
  return widget;
}

void MainBinder::refresh() {
  for (auto& b : frames_) Show(*b.widget, form_.*b.member);
  for (auto& b : fields_) {
    Show(*b.widget, form_.*b.member);
    ShowWholeTextAsTip(*b.widget);
  }
  for (auto& b : buttons_) Show(*b.widget, form_.*b.member);
  for (auto& b : checks_) Show(*b.widget, form_.*b.member);
  for (auto& b : combos_) Show(*b.widget, form_.*b.member);
  for (auto& b : lists_) b.mirror->show(form_.*b.member);
  for (auto& b : scrolls_) Show(*b.widget, form_.*b.member);
  for (auto& b : labels_) Show(*b.widget, form_.*b.member);
  for (auto& b : shapes_) b.widget->resize(TwipsToPx((form_.*b.member).width), b.widget->height());
}

}  // namespace sheetwise::ui::qt

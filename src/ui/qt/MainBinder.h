#pragma once
// Creates the main window's controls at their places and binds each to its
// member of the model: an edit in a widget writes the member at once, a
// command runs its handler, and refresh() shows every member again.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <functional>
#include <memory>
#include <vector>

#include "ui/Form1.h"
#include "ui/qt/CaptionFrame.h"
#include "ui/qt/CaptionLabel.h"
#include "ui/qt/Mirror.h"
#include "ui/qt/ShapeRect.h"
#include "ui/qt/Twips.h"

namespace sheetwise::ui::qt {

// Runs a handler and then refreshes the windows from their models.
using HandlerRunner = std::function<void(const std::function<void()>&)>;

class MainBinder {
 public:
  MainBinder(Form1& form, HandlerRunner run) : form_(form), run_(std::move(run)) {}

  CaptionFrame* frame(QWidget* parent, const char* name, Captioned Form1::*member, const TwipsRect& place);
  // changed: the handler that follows an edit by the user (the upper-case filters).
  QLineEdit* field(QWidget* parent, const char* name, TextBox Form1::*member, const TwipsRect& place,
                   void (*changed)(Form1&) = nullptr);
  QPushButton* button(QWidget* parent, const char* name, Captioned Form1::*member, const TwipsRect& place,
                      std::function<void()> handler);
  // changed: the handler that follows a click by the user.
  QCheckBox* check(QWidget* parent, const char* name, CheckBox Form1::*member, const TwipsRect& place,
                   const QString& caption, std::function<void()> changed = {});
  QComboBox* combo(QWidget* parent, const char* name, ComboBox Form1::*member, const TwipsRect& place);
  // Takes a list widget made by the caller (a plain or an extent list).
  QListWidget* list(QListWidget* widget, const char* name, ListBox Form1::*member, const TwipsRect& place);
  // changed: the handler that follows a change of the value by the user.
  QScrollBar* scroll(QWidget* parent, const char* name, ScrollBar Form1::*member, Qt::Orientation orientation,
                     const TwipsRect& place, std::function<void()> changed = {});
  CaptionLabel* label(QWidget* parent, const char* name, Captioned Form1::*member, const TwipsRect& place);
  // Only the width follows the model.
  ShapeRect* shape(QWidget* parent, const char* name, Shape Form1::*member, const TwipsRect& place, QColor fill,
                   QColor border);

  void refresh();

 private:
  template <typename W, typename M>
  struct Binding {
    W* widget;
    M Form1::*member;
  };
  struct ListBinding {
    ListBox Form1::*member;
    std::unique_ptr<ListMirror> mirror;
  };

  Form1& form_;
  HandlerRunner run_;
  std::vector<Binding<CaptionFrame, Captioned>> frames_;
  std::vector<Binding<QLineEdit, TextBox>> fields_;
  std::vector<Binding<QPushButton, Captioned>> buttons_;
  std::vector<Binding<QCheckBox, CheckBox>> checks_;
  std::vector<Binding<QComboBox, ComboBox>> combos_;
  std::vector<ListBinding> lists_;
  std::vector<Binding<QScrollBar, ScrollBar>> scrolls_;
  std::vector<Binding<CaptionLabel, Captioned>> labels_;
  std::vector<Binding<ShapeRect, Shape>> shapes_;
};

// A frame and a label whose captions never change.
CaptionFrame* StaticFrame(QWidget* parent, const QString& caption, const TwipsRect& place, const char* name);
CaptionLabel* StaticLabel(QWidget* parent, const QString& text, const TwipsRect& place, const char* name = nullptr);

}  // namespace sheetwise::ui::qt

#pragma once
// Shows a control model in its widget. Nothing here writes a model: the
// widgets' own signals are blocked while they are set, so a view can refresh
// from its model at any time without feeding the change back.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/qt/CaptionFrame.h"
#include "ui/qt/CaptionLabel.h"

namespace sheetwise::ui::qt {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline std::string S(const QString& text) { return text.toStdString(); }

// The caret stays where it was, as far as the new text reaches.
void Show(QLineEdit& widget, const TextBox& model);
void Show(QPushButton& widget, const Captioned& model);
void Show(CaptionFrame& widget, const Captioned& model);
void Show(CaptionLabel& widget, const Captioned& model);
void Show(QCheckBox& widget, const CheckBox& model);
void Show(QComboBox& widget, const ComboBox& model);
void Show(QScrollBar& widget, const ScrollBar& model);
// Runs while enabled with a positive interval; a changed interval restarts it.
void Show(QTimer& timer, const Timer& model);

// A list box's lines change a few at a time (a rule appended, the first
// queued file removed), so only the lines that differ from what the widget
// shows are replaced.
class ListMirror {
 public:
  explicit ListMirror(QListWidget& widget) : widget_(widget) {}
  void show(const ListBox& model);

 private:
  void showItems(const std::vector<std::string>& items);
  void showSelection(int selection);

  QListWidget& widget_;
  std::vector<std::string> shown_;
};

}  // namespace sheetwise::ui::qt

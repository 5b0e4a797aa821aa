#include "ui/qt/Mirror.h"

#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>

namespace sheetwise::ui::qt {

void Show(QLineEdit& widget, const TextBox& model) {
  const QSignalBlocker blocker(widget);
  const QString text = Q(model.text);
  if (widget.text() != text) {
    const int caret = widget.cursorPosition();
    widget.setText(text);
    widget.setCursorPosition(std::min(caret, static_cast<int>(text.size())));
  }
  widget.setEnabled(model.enabled);
  widget.setReadOnly(model.locked);
}

void Show(QPushButton& widget, const Captioned& model) {
  const QString caption = Q(model.caption);
  if (widget.text() != caption) widget.setText(caption);
  widget.setEnabled(model.enabled);
}

void Show(CaptionFrame& widget, const Captioned& model) {
  widget.setCaption(Q(model.caption));
  widget.setEnabled(model.enabled);
}

void Show(CaptionLabel& widget, const Captioned& model) {
  widget.setText(Q(model.caption));
  widget.setEnabled(model.enabled);
}

void Show(QCheckBox& widget, const CheckBox& model) {
  const QSignalBlocker blocker(widget);
  widget.setChecked(model.value != 0);
  widget.setEnabled(model.enabled);
}

void Show(QComboBox& widget, const ComboBox& model) {
  const QSignalBlocker blocker(widget);
  QStringList items;
  for (const auto& item : model.items) items << Q(item);
  QStringList shown;
  for (int i = 0; i < widget.count(); ++i) shown << widget.itemText(i);
  if (shown != items) {
    widget.clear();
    widget.addItems(items);
  }
  widget.setCurrentIndex(widget.findText(Q(model.text)));
  widget.setEnabled(model.enabled);
}

void Show(QScrollBar& widget, const ScrollBar& model) {
  const QSignalBlocker blocker(widget);
  widget.setRange(model.minimum, model.maximum);
  widget.setSingleStep(model.smallChange);
  widget.setPageStep(model.largeChange);
  widget.setValue(model.value);
  widget.setEnabled(model.enabled);
}

void Show(QTimer& timer, const Timer& model) {
  if (!model.enabled || model.interval <= 0) {
    timer.stop();
    return;
  }
  if (timer.interval() != model.interval) timer.setInterval(model.interval);
  if (!timer.isActive()) timer.start();
}

void ListMirror::show(const ListBox& model) {
  const QSignalBlocker blocker(widget_);
  showItems(model.items);
  showSelection(model.selection);
  widget_.setEnabled(model.enabled);
}

void ListMirror::showItems(const std::vector<std::string>& items) {
  const size_t shownCount = shown_.size();
  const size_t count = items.size();
  size_t head = 0;
  while (head < shownCount && head < count && shown_[head] == items[head]) ++head;
  size_t tail = 0;
  while (tail < shownCount - head && tail < count - head &&
         shown_[shownCount - 1 - tail] == items[count - 1 - tail]) {
    ++tail;
  }
  if (head == shownCount && head == count) return;

  if (head == 0 && tail == 0) {
    widget_.clear();
  } else {
    for (size_t row = shownCount - tail; row > head; --row) delete widget_.takeItem(static_cast<int>(row - 1));
  }
  QStringList inserted;
  for (size_t i = head; i < count - tail; ++i) inserted << Q(items[i]);
  widget_.insertItems(static_cast<int>(head), inserted);
  shown_ = items;
}

void ListMirror::showSelection(int selection) {
  const bool inRange = selection >= 0 && selection < widget_.count();
  const int row = inRange ? selection : -1;
  if (widget_.currentRow() != row) widget_.setCurrentRow(row);
  if (!inRange) widget_.clearSelection();
}

}  // namespace sheetwise::ui::qt

#pragma once
// The window 预览: the named sheet of the sample before the rules and after
// them side by side (the changed cells yellow, both scrolling together), how
// the try went, and what the check of the save found. It mirrors its model
// and is shown and brought forward as the model says.

#include <QWidget>

#include "ui/SamplePreview.h"

class QLabel;
class QListWidget;

namespace sheetwise::ui::qt {

class MarkedGridModel;
class SampleGridView;

class PreviewView final : public QWidget {
 public:
  // parent: the main window, whose icon this window takes.
  PreviewView(SamplePreview& form, QWidget* parent);

  void refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void load();

  SamplePreview& form_;
  QLabel* outcome_;
  QLabel* beforeTitle_;
  QLabel* afterTitle_;
  SampleGridView* before_;
  SampleGridView* after_;
  MarkedGridModel* beforeCells_;
  MarkedGridModel* afterCells_;
  QLabel* differencesTitle_;
  QListWidget* differences_;
  int shownRequests_ = 0;
};

}  // namespace sheetwise::ui::qt

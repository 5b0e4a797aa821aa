#pragma once
// The dialogs port on Qt: QMessageBox, QInputDialog, QFileDialog and the
// application's event processing.

#include <QMessageBox>
#include <functional>
#include <memory>

#include "ui/Dialogs.h"

namespace sheetwise::ui::qt {

// The question box of confirm(): the buttons goOn and "取消", "取消" the
// default and the answer to Esc.
std::unique_ptr<QMessageBox> QuestionBox(const std::string& question, const std::string& goOn, QWidget* parent);

class QtDialogs final : public Dialogs {
 public:
  // Runs before every dialog and before pending events are processed, so the
  // windows show the models' current state while the user is asked.
  void setBeforeWaiting(std::function<void()> hook) { beforeWaiting_ = std::move(hook); }

  void message(const std::string& text, MessageStyle style) override;
  bool confirm(const std::string& question, const std::string& goOn) override;
  int choose(const std::string& text, const std::vector<std::string>& choices) override;
  std::string input(const std::string& prompt) override;
  std::string chooseFolder(const std::string& title) override;
  std::string chooseFile(const std::string& filter) override;
  std::string chooseSaveFile(const std::string& filter, const std::string& defaultSuffix) override;
  void processPendingEvents() override;

 private:
  void prepare();

  std::function<void()> beforeWaiting_;
};

}  // namespace sheetwise::ui::qt

#pragma once
// A mode for the documentation and for checking the windows' looks, chosen by
// the environment variable SHEETWISE_SCREENSHOTS (the folder for the PNG
// files): the program grabs its windows one after the other, the picker
// filled from the workbook named by SHEETWISE_SCREENSHOT_SAMPLE, and quits.
// Without the variable nothing of it is in effect.

#include <QString>
#include <optional>

#include "ui/Dialogs.h"

namespace sheetwise::app {

class Program;

struct ScreenshotRequest {
  QString folder;
  QString sample;  // a workbook for the picker; none: no picker picture
};

std::optional<ScreenshotRequest> RequestedScreenshots();

// Answers the file chooser with the sample and the folder chooser with the
// sample's folder, and writes messages to the error
// stream instead of waiting for the user.
class ScreenshotDialogs final : public ui::Dialogs {
 public:
  explicit ScreenshotDialogs(QString sample) : sample_(std::move(sample)) {}
  void message(const std::string& text, ui::MessageStyle style) override;
  std::string input(const std::string& prompt) override;
  std::string chooseFolder(const std::string& title) override;
  std::string chooseFile(const std::string& filter) override;
  std::string chooseSaveFile(const std::string&) override { return {}; }
  void processPendingEvents() override;

 private:
  QString sample_;
};

// Returns the exit code: 0 when every picture was written.
int TakeScreenshots(Program& program, const ScreenshotRequest& request);

}  // namespace sheetwise::app

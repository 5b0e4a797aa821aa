#include "Program.h"

#include "ui/FormSettings.h"

namespace sheetwise::app {

Program::Program(ui::Dialogs& dialogs, std::function<void()> endProgram)
    : dialogs_(dialogs),
      driver_(form1_, driverPorts()),
      mainWindow_(form1_, windowPorts(endProgram)),
      aboutBox_(form4_, mainWindow_, endProgram) {}

batch::DriverPorts Program::driverPorts() {
  return {
      dialogs_,
      clock_,
      logFile_,
      log_.entries(),
      // The fields are read as they stand when each workbook starts.
      [this](const std::string& path) { inPlaceRuns_.process(engine_, path, ui::RunSettingsOf(form1_)); },
      [this](const std::string& path) { extractWorkbook(path); },
      [this] { endOwnOffice(); },
      &inPlaceRuns_,
  };
}

// Only the office this program started is ended; the host starts a new one
// on its next use.
void Program::endOwnOffice() {
  if (const auto office = office_.startedOffice()) host::EndStartedOffices(processes_, {*office});
}

// Each cell read becomes a line of the hidden list and a record of the results.
void Program::extractWorkbook(const std::string& path) {
  for (auto& record : extraction_.ExtractWorkbook(path, ui::RunSettingsOf(form1_).rules)) {
    form1_.xiaotou.items.push_back(extract::ExtractionLine(record));
    results_.push_back(std::move(record));
  }
}

ui::qt::MainWindowPorts Program::windowPorts(std::function<void()> endProgram) {
  return {
      dialogs_,
      fileOpener_,
      memory_,
      driver_,
      quickAdd_,
      picker_,
      form2_,
      previewCommand_,
      preview_,
      inPlaceRuns_,
      results_,
      log_.entries(),
      log_.times(),
      [this] { endOwnOffice(); },
      std::move(endProgram),
  };
}

}  // namespace sheetwise::app

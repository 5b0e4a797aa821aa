#include "Program.h"

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
      log_,
      [this](const std::string& path) { engine_.ProcessWorkbook(path); },
      [this](const std::string& path) { extraction_.ExtractWorkbook(path); },
      [this] { host::KillProcessesByName(processes_, host::kSpreadsheetProcessName); },
  };
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
      results_,
      [this] { host::EndProcessesNamedExactly(processes_, host::kSpreadsheetProcessName); },
      std::move(endProgram),
  };
}

}  // namespace sheetwise::app

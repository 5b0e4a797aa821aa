#pragma once
// The whole program: the window models, the ports to the world outside, the
// logic that drives them and the windows that show them, built in that order
// and taken down in the reverse one.

#include <functional>

#include "batch/LogFile.h"
#include "batch/WorkbookEngine.h"
#include "extract/ExtractionResults.h"
#include "extract/ExtractionRun.h"
#include "host/Clock.h"
#include "host/LibreOfficeHost.h"
#include "host/MemoryFigures.h"
#include "host/ProcessTable.h"
#include "ui/Dialogs.h"
#include "ui/ErrorLog.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form4.h"
#include "ui/handlers/BatchDriver.h"
#include "ui/handlers/GridPicker.h"
#include "ui/handlers/PreviewCommand.h"
#include "ui/handlers/QuickAdd.h"
#include "ui/qt/AboutBoxView.h"
#include "ui/qt/MainWindowView.h"
#include "ui/qt/QtFileOpener.h"

namespace sheetwise::app {

class Program {
 public:
  // endProgram: ends the program at once (leaves the event loop).
  Program(ui::Dialogs& dialogs, std::function<void()> endProgram);

  // Shows the about box; the main window is loaded and hidden by then.
  void start() { aboutBox_.show(); }

  ui::Form1& form() { return form1_; }
  ui::ErrorLog& errorLog() { return log_; }
  ui::qt::MainWindowView& mainWindow() { return mainWindow_; }
  ui::qt::AboutBoxView& aboutBox() { return aboutBox_; }

 private:
  batch::DriverPorts driverPorts();
  void extractWorkbook(const std::string& path);
  void endOwnOffice();
  ui::qt::MainWindowPorts windowPorts(std::function<void()> endProgram);

  ui::Form1 form1_;
  ui::Form2 form2_;
  ui::Form4 form4_;
  ui::SamplePreview preview_;
  extract::ExtractionResults results_;

  ui::Dialogs& dialogs_;
  ui::qt::QtFileOpener fileOpener_;
  host::SystemClock clock_;
  host::LibreOfficeHost office_;
  host::SystemProcessTable processes_;
  host::ProcMemoryFigures memory_;

  batch::LogFile logFile_{clock_};
  ui::ErrorLog log_{form1_, logFile_};
  batch::WorkbookEngine engine_{office_, log_};
  batch::InPlaceRuns inPlaceRuns_{batch::WindowRunsFolder(), clock_};
  extract::ExtractionRun extraction_{office_, log_};
  batch::BatchDriver driver_;
  rules::GridPicker picker_{form2_, form1_, dialogs_};
  rules::QuickAdd quickAdd_{form1_, form2_, dialogs_, office_};
  rules::PreviewCommand previewCommand_{form1_, preview_, dialogs_, office_};

  ui::qt::MainWindowView mainWindow_;
  ui::qt::AboutBoxView aboutBox_;
};

}  // namespace sheetwise::app

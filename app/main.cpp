// sheetwise: the window program. Shows the about box; the main window is
// loaded, hidden, behind it.

#include <signal.h>

#include <QApplication>
#include <QStyleFactory>

#include "Program.h"
#include "host/LibraryWarnings.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/Translations.h"

int main(int argc, char** argv) {
  using namespace sheetwise;
  // An office that dies mid-call makes the bridge's writes fail instead of
  // ending the program.
  ::signal(SIGPIPE, SIG_IGN);
  // The file readers' own warnings never reach the terminal.
  host::QuietLibraryWarnings();
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ui::qt::InstallFontSubstitutions();
  ui::qt::InstallChineseTranslations();
  ui::qt::QtDialogs dialogs;
  app::Program program(dialogs, [] { QCoreApplication::exit(0); });
  dialogs.setBeforeWaiting([&program] { program.mainWindow().refresh(); });
  program.start();
  return QApplication::exec();
}

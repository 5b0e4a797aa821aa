#pragma once
// The window speaks Simplified Chinese throughout: Qt's own dialogs and
// buttons through Qt's translations, the program's reasons through its
// message catalog, whatever the system's locale.

#include <QString>

namespace sheetwise::ui::qt {

// Loads Qt's Simplified Chinese translations and asks for Chinese program
// messages. Returns false (and the window stays usable) when Qt's catalog is
// not installed. Call once, after the application object exists.
bool InstallChineseTranslations();

// Where Qt's Simplified Chinese catalog is expected.
QString QtChineseCatalog();

}  // namespace sheetwise::ui::qt

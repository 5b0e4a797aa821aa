#include "ui/qt/QtFileOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace sheetwise::ui::qt {

void QtFileOpener::open(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace sheetwise::ui::qt

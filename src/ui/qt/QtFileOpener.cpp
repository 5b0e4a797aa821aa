#include "ui/qt/QtFileOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace sheetwise::ui::qt {

bool QtFileOpener::open(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace sheetwise::ui::qt

#include "ui/qt/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "host/Translate.h"

namespace sheetwise::ui::qt {

QString QtChineseCatalog() {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
}

bool InstallChineseTranslations() {
  UseChineseMessages();
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  static QTranslator translator;
  if (!translator.isEmpty()) return true;
  if (!translator.load(QtChineseCatalog())) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace sheetwise::ui::qt

#include "ui/qt/Translations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "host/Translate.h"

namespace sheetwise::ui::qt {

namespace {

// The file dialog's type column asks the file icon provider, whose texts
// Qt's catalog does not carry: "Folder" and the like stay English without this.
class FileTypeTranslator final : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (QLatin1String(context) != QLatin1String("QAbstractFileIconProvider")) return {};
    static const QHash<QString, QString> kTexts{{"Folder", "文件夹"},  {"File", "文件"},     {"Drive", "驱动器"},
                                                {"Alias", "别名"},     {"Shortcut", "快捷方式"}, {"Unknown", "未知"},
                                                {"%1 File", "%1 文件"}};
    return kTexts.value(QString::fromLatin1(source));
  }
};

}  // namespace

QString QtChineseCatalog() {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
}

bool InstallChineseTranslations() {
  UseChineseMessages();
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  static QTranslator translator;
  static FileTypeTranslator fileTypes;
  if (!translator.isEmpty()) return true;
  QCoreApplication::installTranslator(&fileTypes);
  if (!translator.load(QtChineseCatalog())) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace sheetwise::ui::qt

// The window tests run without a display.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

#include "ui/qt/Fonts.h"
#include "ui/qt/Translations.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  sheetwise::ui::qt::InstallFontSubstitutions();
  sheetwise::ui::qt::InstallChineseTranslations();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

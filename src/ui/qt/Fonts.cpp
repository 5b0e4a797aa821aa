#include "ui/qt/Fonts.h"

#include <QStringList>
#include <cmath>

namespace sheetwise::ui::qt {

namespace {
constexpr double kPixelsPerPoint = 96.0 / 72.0;
}  // namespace

void InstallFontSubstitutions() {
  QFont::insertSubstitutions(kSong, {"Noto Sans CJK SC", "Noto Serif CJK SC"});
  // The fixed-pitch face first, as "新宋体" is fixed-pitch.
  QFont::insertSubstitutions(kNewSong, {"Noto Sans Mono CJK SC", "Noto Sans CJK SC", "Noto Serif CJK SC"});
}

QFont WindowFont(const char* family, double points) {
  InstallFontSubstitutions();
  QFont font{QString::fromUtf8(family)};
  font.setPixelSize(static_cast<int>(std::lround(points * kPixelsPerPoint)));
  return font;
}

}  // namespace sheetwise::ui::qt

#pragma once
// The window fonts. The layout asks for "宋体" and "新宋体", which Linux
// desktops rarely have; both are mapped onto the installed Noto CJK faces.

#include <QFont>

namespace sheetwise::ui::qt {

inline constexpr const char* kSong = "宋体";
inline constexpr const char* kNewSong = "新宋体";

// Registers the substitutes of the two families; safe to call repeatedly.
void InstallFontSubstitutions();

// The family at a point size, sized in pixels at 96 dots per inch so that text
// keeps its proportion to the twips layout whatever the screen reports.
QFont WindowFont(const char* family, double points);

}  // namespace sheetwise::ui::qt

#pragma once
// The batch command's own messages are written in English and translated
// through gettext (text domain "sheetwise") under the user's locale.

#include <libintl.h>

namespace sheetwise {

inline constexpr const char* kTextDomain = "sheetwise";

inline const char* Tr(const char* english) { return ::dgettext(kTextDomain, english); }

}  // namespace sheetwise

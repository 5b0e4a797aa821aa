#pragma once
// The program's own messages are written in English and translated through
// gettext (text domain "sheetwise") under the user's locale; the window asks
// for Simplified Chinese whatever the locale (see UseChineseMessages).

#include <libintl.h>

#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for translation where it is defined; it is translated where used, with Tr.
#ifndef N_
#define N_(english) english
#endif

namespace sheetwise {

inline constexpr const char* kTextDomain = "sheetwise";

inline const char* Tr(const char* english) { return ::dgettext(kTextDomain, english); }

// The translation of english with each "%s" replaced by the next value, in order.
std::string Tr(const char* english, std::initializer_list<std::string_view> values);

// Binds the text domain to the message catalogs found beside the executable
// (the build's "locale" folder or the installed share/locale) and asks for UTF-8.
void BindTranslations();

// For the batch command: the user's locale (setlocale(LC_ALL, "")); when that
// locale is not installed, its language still chooses the messages.
void UseUserLocale();

// For the window: Simplified Chinese whatever the user's locale.
void UseChineseMessages();

}  // namespace sheetwise

#pragma once
// ASCII letters to lower case, other bytes (UTF-8 included) as they are: how
// names that ignore case in ASCII only (file extensions, zip part names,
// encoding names, compound-file entries) are compared.

#include <string>

namespace sheetwise::host {

inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace sheetwise::host

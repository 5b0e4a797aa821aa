#pragma once
// A workbook's extended attributes (the user's own, and its access control
// lists, which the system keeps as such) carried over to the file that
// replaces it.

#include <filesystem>

namespace sheetwise::host {

// Copies every user.* attribute of from, and its POSIX access control lists,
// onto to. Throws HostError, "NAME: why", when one cannot be read or set (a
// file system without them, no room left).
void CopyExtendedAttributes(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace sheetwise::host

#pragma once
// The top-level entries (streams and storages) of an .xls container, as the
// check matches them and the restore puts them back: those the office writes
// from the workbook itself, those it writes anew whatever the source held,
// and those another writer keeps for itself, which only survive byte for byte.

#include <string>

namespace sheetwise::verify {

// An entry as it is matched: letter case ignored, embedded objects' storages
// (which a save may number anew) alike.
std::string EntryKey(const std::string& name);

// An entry's name without the control character some names start with.
std::string EntryName(const std::string& name);

// The macro storage's key; the check compares it on its own.
inline constexpr const char* kMacroStorageKey = "_VBA_PROJECT_CUR";

// The entries the office writes anew whatever the source held (the OLE
// headers), and the macro storage.
bool AccountedForApart(const std::string& key);

// Another writer's own entry, whose bytes are compared and, when the office
// drops it, put back: none the office writes from the workbook (the workbook
// stream, embedded objects, pivot caches, controls) or anew (the OLE headers,
// the document's properties), nor the macro storage.
bool KeptByteForByte(const std::string& key);

}  // namespace sheetwise::verify

#pragma once
// A workbook's macro project, read without the office: enough to tell that a
// save dropped it or wrote it anew, for runs that do not check the whole save.

#include <gsf/gsf.h>

#include <optional>
#include <string>

namespace sheetwise::verify {

// A digest of the macro project: the storage _VBA_PROJECT_CUR of a compound
// file, or the part a package's workbook names as its vbaProject (by default
// xl/vbaProject.bin) with its signatures; "" when there is none. Throws host::HostError when the
// file cannot be read.
std::string MacroProjectDigest(const std::string& path);

class ZipPackage;
// The digest of a package's macro project part and of the parts its
// relationships lead to (its signatures); "" when the part is absent.
std::string MacroPartsDigest(const ZipPackage& zip, const std::string& project);

// The digest of a compound file's _VBA_PROJECT_CUR storage; "" without one.
std::string MacroStorageDigest(GsfInfile* ole);

// What a save made of the macro project ("macros (VBA project): present →
// lost"); none when it is the same.
std::optional<std::string> MacroProjectChange(const std::string& source, const std::string& saved);

}  // namespace sheetwise::verify

#pragma once
// Writes a zip package (.xlsx, .xlsm, .ods) anew with some parts put in and
// every other part copied as it was, in the same order: the one writer of
// these formats in the program, for the restores after the office's save.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "verify/ZipParts.h"

namespace sheetwise::restore {

// Part name ("xl/workbook.xml") to its whole bytes.
using PartBytes = std::map<std::string, std::string>;

// The most of one part a restore reads or copies from: sheet parts of real
// workbooks stay below; a larger part is left as the office wrote it.
inline constexpr size_t kMaxRestoredPartBytes = 64 * 1024 * 1024;
// The most a restore holds of parts for one rewrite; past it, parts are left as the office wrote them.
inline constexpr size_t kMaxRestoredBytesHeld = 4 * kMaxRestoredPartBytes;

// The whole bytes of a part; none when it is absent or larger than kMaxRestoredPartBytes.
std::optional<std::string> WholePart(const verify::ZipPackage& zip, const std::string& name);

// Rewrites the package at path with parts replaced where it holds them and
// added after the others where it does not, and the dropped ones left out. The new package is written beside
// path and renamed over it once complete; "mimetype" stays first and stored.
// Throws std::runtime_error when path cannot be read or the new package
// cannot be written; path is then left as it was, and nothing beside it.
void RewritePackage(const std::string& path, const PartBytes& parts, const std::set<std::string>& dropped = {});

}  // namespace sheetwise::restore

#pragma once
// Shares of a folder tree that stay put: a workbook's share is decided by the
// FNV-1a 64-bit hash of its path relative to the source folder (UTF-8 bytes as
// the file system gives them), so adding or removing a file never moves
// another, and every machine that scans the same tree agrees.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/WorkbookPaths.h"

namespace sheetwise::batch {

// FNV-1a, 64 bits: offset basis 14695981039346656037, prime 1099511628211.
constexpr std::uint64_t Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The share (1 to count) of the workbook at relativePath: hash modulo count, plus 1.
int ShareOf(std::string_view relativePath, int count);

// Keeps the workbooks of share index (1 to count), in their queue order.
// Paths lie in sourceFolder (ending in "/").
void TakeShare(WorkbookPaths& workbooks, const std::string& sourceFolder, int index, int count);

}  // namespace sheetwise::batch

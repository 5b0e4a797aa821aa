#pragma once
// Compound (OLE2) files the tests write themselves, byte by byte: a workbook
// stream taken from a real workbook, wrapped again as it is or with a
// directory no real writer makes.

#include <filesystem>
#include <string>
#include <vector>

namespace sheetwise::test {

struct CompoundStream {
  std::string name;
  std::string bytes;  // empty, or at least 4096 bytes (no small-block streams are written)
};

// Writes the streams as the root's children, each the right sibling of the
// one before; with emptyStreamsFirst empty streams ahead of them in that chain,
// the directory gets as deep as that.
void WriteCompoundFile(const std::filesystem::path& target, const std::vector<CompoundStream>& streams,
                       size_t emptyStreamsFirst = 0);

// The named stream of a compound file (a workbook's "Workbook"); "" when absent.
std::string ReadCompoundStream(const std::filesystem::path& path, const std::string& name);

}  // namespace sheetwise::test

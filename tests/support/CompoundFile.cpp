#include "CompoundFile.h"

#include <gsf/gsf.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "host/OleFile.h"

namespace sheetwise::test {
namespace {

constexpr size_t kSector = 512;
constexpr size_t kSlots = kSector / 4;
constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSector = 0xFFFFFFFD, kNone = 0xFFFFFFFF;

void Put16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& out, size_t at, uint32_t v) {
  Put16(out, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, at + 2, static_cast<uint16_t>(v >> 16));
}
size_t SectorsFor(size_t bytes) { return (bytes + kSector - 1) / kSector; }

// A directory entry: an ASCII name, its type (1 storage, 2 stream, 5 root).
std::string Entry(const std::string& name, uint8_t type, uint32_t right, uint32_t child, uint32_t start,
                  uint32_t size) {
  std::string entry(128, '\0');
  for (size_t i = 0; i < name.size(); ++i) Put16(entry, 2 * i, static_cast<unsigned char>(name[i]));
  Put16(entry, 64, static_cast<uint16_t>(2 * name.size() + 2));
  entry[66] = static_cast<char>(type);
  entry[67] = 1;  // black
  Put32(entry, 68, kNone);
  Put32(entry, 72, right);
  Put32(entry, 76, child);
  Put32(entry, 116, start);
  Put32(entry, 120, size);
  return entry;
}

}  // namespace

void WriteCompoundFile(const std::filesystem::path& target, const std::vector<CompoundStream>& streams,
                       size_t emptyStreamsFirst) {
  // Sectors: the streams' data, the directory, then the sector table.
  std::string data;
  std::vector<std::pair<uint32_t, size_t>> chains;  // first sector and length of each stream
  for (const auto& stream : streams) {
    if (!stream.bytes.empty() && stream.bytes.size() < 4096) throw std::invalid_argument("a small-block stream");
    chains.push_back({stream.bytes.empty() ? kEnd : static_cast<uint32_t>(data.size() / kSector),
                      SectorsFor(stream.bytes.size())});
    data += stream.bytes;
    data.resize(SectorsFor(data.size()) * kSector, '\0');
  }
  const size_t entries = 1 + emptyStreamsFirst + streams.size();
  std::string directory;
  directory += Entry("Root Entry", 5, kNone, entries > 1 ? 1 : kNone, kEnd, 0);
  for (size_t i = 1; i < entries; ++i) {
    const uint32_t right = i + 1 < entries ? static_cast<uint32_t>(i + 1) : kNone;
    if (i <= emptyStreamsFirst) {
      directory += Entry("e" + std::to_string(i), 2, right, kNone, kEnd, 0);
    } else {
      const size_t s = i - 1 - emptyStreamsFirst;
      directory += Entry(streams[s].name, 2, right, kNone, chains[s].first,
                         static_cast<uint32_t>(streams[s].bytes.size()));
    }
  }
  directory.resize(SectorsFor(directory.size()) * kSector, '\0');
  const size_t dataSectors = data.size() / kSector, dirSectors = directory.size() / kSector;
  size_t fatSectors = 1;
  while (fatSectors * kSlots < dataSectors + dirSectors + fatSectors) ++fatSectors;
  if (fatSectors > 109) throw std::invalid_argument("too large for a header-only sector table");

  std::vector<uint32_t> fat(fatSectors * kSlots, kFree);
  const auto link = [&](size_t first, size_t count) {
    for (size_t i = 0; i < count; ++i) fat[first + i] = i + 1 < count ? static_cast<uint32_t>(first + i + 1) : kEnd;
  };
  for (const auto& [first, count] : chains) {
    if (count > 0) link(first, count);
  }
  link(dataSectors, dirSectors);
  for (size_t i = 0; i < fatSectors; ++i) fat[dataSectors + dirSectors + i] = kFatSector;

  std::string header(kSector, '\0');
  header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  Put16(header, 24, 0x3E);
  Put16(header, 26, 3);
  Put16(header, 28, 0xFFFE);
  Put16(header, 30, 9);
  Put16(header, 32, 6);
  Put32(header, 44, static_cast<uint32_t>(fatSectors));
  Put32(header, 48, static_cast<uint32_t>(dataSectors));
  Put32(header, 56, 4096);
  Put32(header, 60, kEnd);
  Put32(header, 68, kEnd);
  for (size_t i = 0; i < 109; ++i) {
    Put32(header, 76 + 4 * i, i < fatSectors ? static_cast<uint32_t>(dataSectors + dirSectors + i) : kFree);
  }
  std::string table(fat.size() * 4, '\0');
  for (size_t i = 0; i < fat.size(); ++i) Put32(table, 4 * i, fat[i]);
  std::filesystem::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary | std::ios::trunc) << header << data << directory << table;
}

std::string ReadCompoundStream(const std::filesystem::path& path, const std::string& name) {
  const auto ole = host::OpenOle(path.string());
  const auto stream = host::ChildStream(ole.get(), name);
  if (!stream) return "";
  std::string bytes(static_cast<size_t>(gsf_input_size(stream.get())), '\0');
  if (!bytes.empty()) gsf_input_read(stream.get(), bytes.size(), reinterpret_cast<guint8*>(bytes.data()));
  return bytes;
}

}  // namespace sheetwise::test

#include "host/CompoundFileCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "host/FailureReason.h"
#include "host/FileDescriptor.h"
#include "host/HostError.h"
#include "host/Translate.h"
#include "rules/Utf8Text.h"

namespace sheetwise::host {
namespace {

constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr size_t kHeaderFatSlots = 109;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint8_t kStorage = 1, kStream = 2, kRoot = 5;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }

[[noreturn]] void Damaged(const std::string& what) {
  throw DamagedContainer(Tr("the workbook's container is damaged: %s", {what}));
}
[[noreturn]] void ChainBroken() { Damaged(Tr("a chain of its sectors loops or leaves the file")); }

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// A directory entry's fields that matter for walking the directory.
struct Entry {
  uint8_t type = 0;
  uint32_t left = kNoEntry, right = kNoEntry, child = kNoEntry;
  uint32_t start = kEndOfChain;
  uint32_t size = 0;  // the low half: readers take no more
  std::string name;   // for the message; halves of surrogate pairs as "?"
};

class Container {
 public:
  explicit Container(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!fd_) throw HostError(UnreadableReason(path).value_or(Tr("cannot read %s", {path})));
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0) throw HostError(Tr("cannot read %s", {path}));
    fileSize_ = static_cast<uint64_t>(info.st_size);
  }

  void check() {
    if (fileSize_ >= kHeaderSize) header_ = read(0, kHeaderSize);
    if (header_.empty() || std::memcmp(header_.data(), kSignature, sizeof kSignature) != 0) return;
    readHeader();
    readFat();
    directory_ = chain(fat_, firstDirectory_);
    if (directory_.empty()) Damaged(Tr("it has no directory"));
    miniFat_ = tableFrom(chain(fat_, firstMiniFat_));
    walkDirectory();
  }

 private:
  std::vector<uint8_t> read(uint64_t offset, size_t size) const {
    std::vector<uint8_t> bytes(size, 0);
    // The last sector may be cut short: what is missing reads as zeros.
    if (::pread(fd_.get(), bytes.data(), size, static_cast<off_t>(offset)) < 0) ChainBroken();
    return bytes;
  }
  std::vector<uint8_t> sector(uint32_t index) const {
    if (index >= sectors_) ChainBroken();
    return read(headerSectorSize() + static_cast<uint64_t>(index) * sectorSize_, sectorSize_);
  }
  size_t headerSectorSize() const { return std::max<size_t>(kHeaderSize, sectorSize_); }
  size_t slotsPerSector() const { return sectorSize_ / 4; }

  void readHeader() {
    const unsigned shift = U16(header_.data() + 30);
    const unsigned miniShift = U16(header_.data() + 32);
    if ((shift != 9 && shift != 12) || miniShift != 6 || U32(header_.data() + 56) != kMiniStreamCutoff) {
      Damaged(Tr("its header holds impossible values"));
    }
    sectorSize_ = size_t{1} << shift;
    sectors_ = fileSize_ <= headerSectorSize() ? 0 : CeilDiv(fileSize_ - headerSectorSize(), sectorSize_);
    fatSectors_ = U32(header_.data() + 44);
    firstDirectory_ = U32(header_.data() + 48);
    firstMiniFat_ = U32(header_.data() + 60);
    // Each sector of the table of sectors is a sector of the file. Writers may
    // give the table more sectors than the file needs (encrypted packages do).
    if (fatSectors_ == 0 || fatSectors_ > sectors_) {
      Damaged(Tr("its header holds impossible values"));
    }
  }

  // The sectors of the sector table: listed in the header, then in a chain of
  // further sectors that each end with the next one's number.
  std::vector<uint32_t> fatSectorList() const {
    std::vector<uint32_t> list;
    for (size_t i = 0; i < kHeaderFatSlots && list.size() < fatSectors_; ++i) {
      list.push_back(U32(header_.data() + 76 + 4 * i));
    }
    uint32_t next = U32(header_.data() + 68);
    for (uint64_t hops = 0; list.size() < fatSectors_; ++hops) {
      if (hops >= sectors_) ChainBroken();
      const auto bytes = sector(next);
      for (size_t i = 0; i + 1 < slotsPerSector() && list.size() < fatSectors_; ++i) {
        list.push_back(U32(bytes.data() + 4 * i));
      }
      next = U32(bytes.data() + sectorSize_ - 4);
    }
    return list;
  }

  void readFat() {
    for (const uint32_t at : fatSectorList()) {
      const auto bytes = sector(at);
      for (size_t i = 0; i < slotsPerSector(); ++i) fat_.push_back(U32(bytes.data() + 4 * i));
    }
  }

  // The sectors of a chain through table, from first to the first number
  // outside the table (its end mark, or what a careless writer put there, as
  // readers take it); throws when it loops.
  static std::vector<uint32_t> chain(const std::vector<uint32_t>& table, uint32_t first) {
    std::vector<uint32_t> sectors;
    for (uint32_t at = first; at < table.size(); at = table[at]) {
      if (sectors.size() >= table.size()) ChainBroken();
      sectors.push_back(at);
    }
    return sectors;
  }

  // A table stored in the sectors listed (the small-block table).
  std::vector<uint32_t> tableFrom(const std::vector<uint32_t>& sectors) const {
    std::vector<uint32_t> table;
    for (const uint32_t at : sectors) {
      const auto bytes = sector(at);
      for (size_t i = 0; i < slotsPerSector(); ++i) table.push_back(U32(bytes.data() + 4 * i));
    }
    return table;
  }

  // Entries that do not exist end their branch, as in every reader.
  std::optional<Entry> entry(uint32_t index) const {
    const uint64_t perSector = sectorSize_ / kEntrySize;
    if (index >= directory_.size() * perSector) return std::nullopt;
    const auto bytes = read(headerSectorSize() + static_cast<uint64_t>(directory_[index / perSector]) * sectorSize_ +
                                (index % perSector) * kEntrySize,
                            kEntrySize);
    const uint8_t* p = bytes.data();
    Entry e{p[66], U32(p + 68), U32(p + 72), U32(p + 76), U32(p + 116), U32(p + 120), {}};
    for (size_t i = 0; i + 1 < std::min<size_t>(U16(p + 64), 64) && U16(p + i) != 0; i += 2) {
      const char32_t c = U16(p + i);
      rules::AppendUtf8(e.name, c >= 0xD800 && c < 0xE000 ? U'?' : c);
    }
    return e;
  }

  // Follows the left, right and child links from the root with a stack of
  // its own, as deep as a recursive reader would go.
  void walkDirectory() {
    const auto root = entry(0);
    if (!root || root->type != kRoot) Damaged(Tr("it has no directory"));
    std::vector<bool> seen(directory_.size() * (sectorSize_ / kEntrySize), false);
    std::vector<std::pair<uint32_t, int>> pending{{0, 1}};
    uint32_t reached = 0;
    while (!pending.empty()) {
      const auto [index, depth] = pending.back();
      pending.pop_back();
      const auto e = entry(index);
      if (!e || (e->type != kStorage && e->type != kStream && e->type != kRoot)) continue;
      if (seen[index]) Damaged(Tr("its directory loops back on itself"));
      seen[index] = true;
      if (++reached > kMaxDirectoryEntries) {
        Damaged(Tr("its directory holds more than %s entries", {std::to_string(kMaxDirectoryEntries)}));
      }
      if (depth > kMaxDirectoryDepth) {
        Damaged(Tr("its directory is nested more than %s levels deep", {std::to_string(kMaxDirectoryDepth)}));
      }
      if (e->type == kRoot) {
        if (index != 0) Damaged(Tr("its directory loops back on itself"));
        miniStreamSectors_ = CeilDiv(e->size, 64);
        claim(*e, false);
      } else if (e->type == kStream) {
        claim(*e, e->size < kMiniStreamCutoff);
      }
      for (const uint32_t next : {e->left, e->right}) pending.emplace_back(next, depth + 1);
      if (e->type != kStream) pending.emplace_back(e->child, depth + 1);
    }
  }

  // A stream's chain must hold all the sectors its size needs (a reader takes
  // the size as read), and a small stream's chain must end within the
  // small-stream size (a reader copies its whole chain into that much). Every
  // stream has sectors of its own: together they cannot need more than the
  // file holds, which also bounds the walking done here.
  void claim(const Entry& e, bool small) {
    if (e.size > fileSize_) Damaged(Tr("stream \"%s\" is longer than the file", {e.name}));
    const uint64_t needed = CeilDiv(e.size, small ? 64 : sectorSize_);
    (small ? miniClaimed_ : bigClaimed_) += needed;
    if (bigClaimed_ > sectors_ || miniClaimed_ > miniStreamSectors_) {
      Damaged(Tr("its streams claim more than the file holds"));
    }
    const auto& table = small ? miniFat_ : fat_;
    auto& visits = small ? miniVisits_ : bigVisits_;
    visits.resize(table.size(), 0);
    ++chains_;
    const uint64_t smallMost = kMiniStreamCutoff / 64;
    const uint64_t walk = small ? smallMost + 1 : needed;
    uint64_t held = 0;
    for (uint32_t at = e.start; held < walk && at < table.size(); at = table[at]) {
      if (!small && at >= sectors_) ChainBroken();
      // A chain that comes back to one of its own sectors loops, however
      // many sectors it passes on the way: it would count as long enough.
      if (visits[at] == chains_) ChainBroken();
      visits[at] = chains_;
      ++held;
    }
    if (small && held > smallMost) ChainBroken();
    if (held < needed) Damaged(Tr("stream \"%s\" is longer than the sectors that hold it", {e.name}));
  }

  FileDescriptor fd_;
  uint64_t fileSize_ = 0;
  std::vector<uint8_t> header_;
  size_t sectorSize_ = 512;
  uint64_t sectors_ = 0;
  uint32_t fatSectors_ = 0;
  uint32_t firstDirectory_ = kEndOfChain;
  uint32_t firstMiniFat_ = kEndOfChain;
  uint64_t miniStreamSectors_ = 0;
  uint64_t bigClaimed_ = 0;
  uint64_t miniClaimed_ = 0;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::vector<uint32_t> directory_;
  // The last chain that passed each sector of the big and the small table,
  // numbered from 1, so that one walk over a chain finds its loops.
  std::vector<uint32_t> bigVisits_;
  std::vector<uint32_t> miniVisits_;
  uint32_t chains_ = 0;
};

}  // namespace

void CheckCompoundFile(const std::string& path) { Container(path).check(); }

}  // namespace sheetwise::host

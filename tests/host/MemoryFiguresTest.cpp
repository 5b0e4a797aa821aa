#include "host/MemoryFigures.h"

#include <gtest/gtest.h>

#include <tuple>

namespace sheetwise::host {
namespace {

// Figures in bytes, beyond 32 bits too; a missing or garbled line gives none,
// and a name that only ends like the wanted one is not taken.
TEST(ParseMeminfo, TakesTotalAndAvailableInBytes) {
  const std::tuple<std::string, std::uint64_t, std::uint64_t> cases[] = {
      {"MemTotal:       16307412 kB\nMemFree:  1234567 kB\nMemAvailable:    8153706 kB\nSwapTotal: 9 kB\n",
       16307412ull * 1024, 8153706ull * 1024},
      {"MemTotal: 1056964608 kB\nMemAvailable: 5242880 kB\n", 1056964608ull * 1024, 5ull << 30},
      {"MemTotal: 100 kB\n", 0, 0},
      {"MemTotal: lots\nMemAvailable: 10 kB\n", 0, 0},
      {"MemTotal: 100 kB\nHighMemAvailable: 10 kB\n", 0, 0},
  };
  for (const auto& [text, total, available] : cases) {
    const auto status = ParseMeminfo(text);
    EXPECT_EQ(status.totalBytes, total) << text;
    EXPECT_EQ(status.availableBytes, available) << text;
  }
}

TEST(ProcMemoryFigures, ReadsThisMachinesMemory) {
  const auto status = ProcMemoryFigures().read();
  EXPECT_GT(status.availableBytes, 0u);
  EXPECT_LE(status.availableBytes, status.totalBytes);
}

}  // namespace
}  // namespace sheetwise::host

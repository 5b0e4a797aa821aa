#include "host/MemoryFigures.h"

#include <gtest/gtest.h>

#include <tuple>

namespace sheetwise::host {
namespace {

// Figures in bytes, beyond 32 bits too; a missing or garbled line gives none,
// and a name that only ends like the wanted one is not taken.
TEST(ParseMeminfo, TakesTotalAndAvailableInBytes) {
  const std::tuple<std::string, std::uint64_t, std::uint64_t> cases[] = {
      {"MemTotal: 1056964608 kB\nMemFree: 1234567 kB\nMemAvailable:    5242880 kB\n", 1056964608ull * 1024, 5ull << 30},
      {"MemTotal: 100 kB\n", 0, 0},
      {"MemTotal: lots\nMemAvailable: 10 kB\n", 0, 0},
      {"MemTotal: 100 kB\nHighMemAvailable: 10 kB\n", 0, 0}};
  for (const auto& [text, total, available] : cases) {
    EXPECT_EQ(ParseMeminfo(text).totalBytes, total) << text;
    EXPECT_EQ(ParseMeminfo(text).availableBytes, available) << text;
  }
  EXPECT_GT(ProcMemoryFigures().read().availableBytes, 0u);  // this machine's own figures
}

}  // namespace
}  // namespace sheetwise::host

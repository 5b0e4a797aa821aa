#include "host/MemoryFigures.h"

#include <gtest/gtest.h>

namespace sheetwise::host {
namespace {

// Figures in bytes, beyond 32 bits too; none without both lines, and a name
// that only ends like the wanted one is not taken.
TEST(ParseMeminfo, TakesTotalAndAvailableInBytes) {
  const auto status = ParseMeminfo("MemTotal: 1056964608 kB\nMemFree: 7 kB\nMemAvailable:   5242880 kB\n");
  EXPECT_EQ(status.totalBytes, 1056964608ull * 1024);
  EXPECT_EQ(status.availableBytes, 5ull << 30);
  for (const char* text : {"MemTotal: 100 kB\n", "MemTotal: lots\nMemAvailable: 10 kB\n",
                           "MemTotal: 100 kB\nHighMemAvailable: 10 kB\n"}) {
    EXPECT_EQ(ParseMeminfo(text).totalBytes, 0u) << text;
  }
  EXPECT_GT(ProcMemoryFigures().read().availableBytes, 0u);  // this machine's own figures
}

}  // namespace
}  // namespace sheetwise::host

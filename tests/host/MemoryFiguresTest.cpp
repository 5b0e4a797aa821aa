#include "host/MemoryFigures.h"

#include <gtest/gtest.h>

namespace sheetwise::host {
namespace {

TEST(ParseMeminfo, TakesTotalAndAvailableInBytes) {
  const auto status = ParseMeminfo(
      "MemTotal:       16307412 kB\n"
      "MemFree:         1234567 kB\n"
      "MemAvailable:    8153706 kB\n"
      "SwapTotal:      99999999 kB\n");
  EXPECT_EQ(status.totalBytes, 16307412ull * 1024);
  EXPECT_EQ(status.availableBytes, 8153706ull * 1024);
}

TEST(ParseMeminfo, KeepsFiguresBeyondThirtyTwoBits) {
  const auto status = ParseMeminfo("MemTotal: 1056964608 kB\nMemAvailable: 5242880 kB\n");
  EXPECT_EQ(status.totalBytes, 1056964608ull * 1024);  // 1 TiB minus a little
  EXPECT_EQ(status.availableBytes, 5ull * 1024 * 1024 * 1024);
}

TEST(ParseMeminfo, MissingOrGarbledLinesGiveNoFigures) {
  EXPECT_EQ(ParseMeminfo("").totalBytes, 0u);
  EXPECT_EQ(ParseMeminfo("MemTotal: 100 kB\n").totalBytes, 0u);
  EXPECT_EQ(ParseMeminfo("MemTotal: lots\nMemAvailable: 10 kB\n").totalBytes, 0u);
  // A name that only ends like the wanted one is not taken.
  EXPECT_EQ(ParseMeminfo("MemTotal: 100 kB\nHighMemAvailable: 10 kB\n").availableBytes, 0u);
}

TEST(ProcMemoryFigures, ReadsThisMachinesMemory) {
  ProcMemoryFigures figures;
  const auto status = figures.read();
  EXPECT_GT(status.totalBytes, 0u);
  EXPECT_GT(status.availableBytes, 0u);
  EXPECT_LE(status.availableBytes, status.totalBytes);
  EXPECT_EQ(status.totalBytes % 1024, 0u);
}

}  // namespace
}  // namespace sheetwise::host

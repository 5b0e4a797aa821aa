#include "ui/MemoryMonitor.h"

#include <gtest/gtest.h>

#include <tuple>

#include "host/MemoryFigures.h"

namespace sheetwise::ui {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// Answers with the figures it was given.
struct ScriptedMemoryFigures final : host::MemoryFigures {
  host::MemoryStatus read() override { return status; }
  host::MemoryStatus status;
};

// Read afresh on every tick; no figures or more available than total show
// zero; figures beyond 32 bits keep their ratio.
TEST(MemoryMonitor, ShowsTheShareInUseAsBarAndCaption) {
  const std::tuple<std::uint64_t, std::uint64_t, std::string, float> cases[] = {
      {100 * 1024, 45 * 1024, "内存占用 55.00%", 0.55f * 2415},
      {0, 0, "内存占用 0.00%", 0},
      {4 * kGiB, 5 * kGiB, "内存占用 0.00%", 0},
      {6 * kGiB, 5 * kGiB + kGiB / 2, "内存占用 8.33%", 2415 / 12.0f},  // cut to 32 bits: 25.00%
      {512 * kGiB, 0, "内存占用 100.00%", 2415},
  };
  Form1 form;
  ScriptedMemoryFigures figures;
  for (const auto& [total, available, caption, width] : cases) {
    figures.status = {total, available};
    Timer2_Timer(form, figures);
    EXPECT_EQ(form.Frame19.caption, caption);
    EXPECT_NEAR(form.Shape4.width, width, 0.5f) << caption;
  }
}

// Figures in bytes, beyond 32 bits too; none without both lines, and a name
// that only ends like the wanted one is not taken.
TEST(ParseMeminfo, TakesTotalAndAvailableInBytes) {
  const auto status = host::ParseMeminfo("MemTotal: 1056964608 kB\nMemFree: 7 kB\nMemAvailable:   5242880 kB\n");
  EXPECT_EQ(status.totalBytes, 1056964608ull * 1024);
  EXPECT_EQ(status.availableBytes, 5ull << 30);
  for (const char* text : {"MemTotal: 100 kB\n", "MemTotal: lots\nMemAvailable: 10 kB\n",
                           "MemTotal: 100 kB\nHighMemAvailable: 10 kB\n"}) {
    EXPECT_EQ(host::ParseMeminfo(text).totalBytes, 0u) << text;
  }
  EXPECT_GT(host::ProcMemoryFigures().read().availableBytes, 0u);  // this machine's own figures
}

}  // namespace
}  // namespace sheetwise::ui

#include "ui/MemoryMonitor.h"

#include <gtest/gtest.h>

namespace sheetwise::ui {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

// Answers with the figures it was given, counting the reads.
class ScriptedMemoryFigures final : public host::MemoryFigures {
 public:
  host::MemoryStatus read() override {
    ++reads;
    return status;
  }
  host::MemoryStatus status;
  int reads = 0;
};

class MemoryMonitor : public ::testing::Test {
 protected:
  void tick(std::uint64_t total, std::uint64_t available) {
    figures.status = {total, available};
    Timer2_Timer(form, figures);
  }
  Form1 form;
  ScriptedMemoryFigures figures;
};

TEST_F(MemoryMonitor, ShowsTheShareInUseAsBarAndCaption) {
  tick(100 * 1024, 45 * 1024);
  EXPECT_EQ(form.Frame19.caption, "内存占用 55.00%");
  EXPECT_FLOAT_EQ(form.Shape4.width, 0.55f * 2415);
  tick(3, 2);
  EXPECT_EQ(form.Frame19.caption, "内存占用 33.33%");
  EXPECT_EQ(figures.reads, 2);  // afresh on every tick
}

TEST_F(MemoryMonitor, NothingUsedShowsAnEmptyBar) {
  tick(8 * kGiB, 8 * kGiB);
  EXPECT_EQ(form.Frame19.caption, "内存占用 0.00%");
  EXPECT_EQ(form.Shape4.width, 0.0f);
}

TEST_F(MemoryMonitor, NoFiguresShowZeroInsteadOfFailing) {
  tick(0, 0);
  EXPECT_EQ(form.Frame19.caption, "内存占用 0.00%");
  EXPECT_EQ(form.Shape4.width, 0.0f);
  tick(4 * kGiB, 5 * kGiB);  // more available than total
  EXPECT_EQ(form.Frame19.caption, "内存占用 0.00%");
}

TEST_F(MemoryMonitor, FiguresBeyondThirtyTwoBitsKeepTheirRatio) {
  tick(64 * kGiB, 16 * kGiB);
  EXPECT_EQ(form.Frame19.caption, "内存占用 75.00%");
  tick(6 * kGiB, 5 * kGiB + kGiB / 2);  // figures cut to 32 bits would give 25.00%
  EXPECT_EQ(form.Frame19.caption, "内存占用 8.33%");
  tick(512 * kGiB, 0);
  EXPECT_EQ(form.Frame19.caption, "内存占用 100.00%");
  EXPECT_FLOAT_EQ(form.Shape4.width, 2415);
}

}  // namespace
}  // namespace sheetwise::ui

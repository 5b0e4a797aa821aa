// An office that gets only a small share of a processor (a machine busy with
// other work) takes far longer than the call limit to save a workbook whose
// sheet reaches the last row, yet keeps working: the save is not taken for a
// hang. The share is made here by stopping and continuing the office.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "BookSnapshot.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise {
namespace {
using namespace std::chrono_literals;
using test::TempDir;

// Lets the process run a fifth of the time while it lives.
class FifthShare {
 public:
  explicit FifthShare(pid_t pid)
      : thread_([this, pid] {
          while (!done_) {
            ::kill(pid, SIGSTOP);
            std::this_thread::sleep_for(80ms);
            ::kill(pid, SIGCONT);
            std::this_thread::sleep_for(20ms);
          }
        }) {}
  ~FifthShare() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(BusyOffice, ASaveLongerThanTheLimitIsLetFinishWhileTheOfficeWorks) {
  TempDir dir;
  test::MakeBook("xlsx-grid", dir / "grid.xlsx");
  host::HostOptions options;
  // The save takes some 7 s here (11 s of processor time on two processors),
  // five times that with a fifth share.
  options.callLimit = 20s;
  host::LibreOfficeHost office(options);
  auto book = office.open(dir / "grid.xlsx", host::OpenMode::Edit);
  book->worksheet("Sheet1")->setCell(1048576, 2, "x");
  const pid_t pid = office.officePid();
  ASSERT_GT(pid, 0);  // 0 would signal this test's own process group
  {
    FifthShare share(pid);
    book->saveAs(dir / "out.xlsx");
  }
  EXPECT_EQ(office.officesLost(), 0u);
  const auto saved = test::ReadBook(dir / "out.xlsx");
  EXPECT_EQ(saved.value(0, 1048576, 2), "x");
  EXPECT_EQ(saved.value(0, 1048576, 1), "last row");
}

}  // namespace
}  // namespace sheetwise

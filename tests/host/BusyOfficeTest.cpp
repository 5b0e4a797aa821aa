// An office with a fifth of a processor saves past the call limit yet is not taken for hung.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <stop_token>
#include <thread>

#include "BookSnapshot.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise {
namespace {
using namespace std::chrono_literals;
using test::TempDir;

TEST(BusyOffice, ASaveLongerThanTheLimitIsLetFinishWhileTheOfficeWorks) {
  TempDir dir;
  test::MakeBook("xlsx-grid", dir / "grid.xlsx");
  host::HostOptions options;
  // The save takes some 7 s here, five times that with a fifth share.
  options.callLimit = 20s;
  host::LibreOfficeHost office(options);
  auto book = office.open(dir / "grid.xlsx", host::OpenMode::Edit);
  book->worksheet("Sheet1")->setCell(1048576, 2, "x");
  const pid_t pid = office.officePid();
  ASSERT_GT(pid, 0);  // 0 would signal this test's own process group
  {
    // A fifth share: stopped 80 ms of every 100 until the save returns (the thread is joined on leaving).
    const std::jthread share([pid](std::stop_token stop) {
      while (!stop.stop_requested()) {
        ::kill(pid, SIGSTOP);
        std::this_thread::sleep_for(80ms);
        ::kill(pid, SIGCONT);
        std::this_thread::sleep_for(20ms);
      }
    });
    book->saveAs(dir / "out.xlsx");
  }
  EXPECT_EQ(office.officesLost(), 0u);
  const auto saved = test::ReadBook(dir / "out.xlsx");
  EXPECT_EQ(saved.value(0, 1048576, 2), "x");
  EXPECT_EQ(saved.value(0, 1048576, 1), "last row");
}

}  // namespace
}  // namespace sheetwise

// A call into the office is ended when the office hangs: it waits past the
// limit, or it has worked as long as the limit on the call. One that keeps
// working, however slowly, is let finish. The office's processor time is a
// scripted stand-in here, a function of the time since the call began.

#include "host/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace sheetwise::host {
namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Case {
  const char* office;
  // The processor time used, in ms, after this many ms of the call; none: not measurable.
  std::function<std::optional<double>(double)> work;
  bool ended;
};

TEST(Watchdog, EndsACallThatWaitsOrLoopsAndLetsOneThatWorksFinish) {
  // Looked at every 25 ms past the limit: a tenth of a processor is 2.5 ms of work then.
  constexpr auto kLimit = 300ms;
  const Case cases[] = {
      {"waits (stopped, or stuck on a lock)", [](double) { return 0.0; }, true},
      {"cannot be measured (gone)", [](double) { return std::nullopt; }, true},
      {"works, then waits", [](double t) { return std::min(t, 150.0); }, true},
      {"loops on one processor", [](double t) { return t; }, true},
      {"works on a busy machine (a tenth of a processor)", [](double t) { return t / 10; }, false},
  };
  for (const auto& c : cases) {
    std::atomic<Clock::rep> began{0};
    std::atomic<bool> ended{false};
    Watchdog dog([&] { ended = true; },
                 [&]() -> std::optional<std::chrono::milliseconds> {
                   const double elapsed = std::chrono::duration<double, std::milli>(
                                              Clock::now() - Clock::time_point(Clock::duration(began.load())))
                                              .count();
                   const auto work = c.work(elapsed);
                   if (!work) return std::nullopt;
                   return std::chrono::milliseconds(static_cast<long long>(*work));
                 },
                 10ms);
    const auto start = Clock::now();
    began = start.time_since_epoch().count();
    Watchdog::Guard guard(dog, kLimit);
    // Four limits, or until ended: long enough for a hang to be seen. On a
    // slow machine the watchdog's looks may come late; a hang is still ended.
    const auto wait = c.ended ? 50 * kLimit : 4 * kLimit;
    while (!ended && Clock::now() - start < wait) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ended.load(), c.ended) << c.office;
    EXPECT_EQ(guard.expired(), c.ended) << c.office;
  }
}

}  // namespace
}  // namespace sheetwise::host

// A hanging call (waiting, or looping for the whole limit) is ended; a slowly working one is not.

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

TEST(Watchdog, EndsACallThatWaitsOrLoopsAndLetsOneThatWorksFinish) {
  // Looked at every 25 ms past the limit: a tenth of a processor is 2.5 ms of work then.
  constexpr auto kLimit = 300ms;
  const struct {
    const char* office;
    std::function<std::optional<double>(double)> work;  // ms of processor time after ms of call; none: unmeasurable
    bool ended;
  } cases[] = {
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
    // Long enough for a hang to be seen, even when the watchdog's looks come late.
    const auto wait = c.ended ? 50 * kLimit : 4 * kLimit;
    while (!ended && Clock::now() - start < wait) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(ended.load(), c.ended) << c.office;
    EXPECT_EQ(guard.expired(), c.ended) << c.office;
  }
}

}  // namespace
}  // namespace sheetwise::host

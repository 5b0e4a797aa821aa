#pragma once
// Ends the office process when one call into it hangs, so that a hanging call
// returns (with a failure) instead of stalling a batch. A call hangs when it
// has outlived its limit and the office did no work of late (it waits on
// something that never comes), or when the office has worked as long as the
// limit on it (it loops). An office still working on a long call (a large
// save on a busy machine, where it gets a fraction of a processor) is let go
// on. Arming costs three atomic stores: the watchdog thread polls, nothing is
// woken per call.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace sheetwise::host {

class Watchdog {
 public:
  // The processor time the watched process has used so far; none when it
  // cannot be told (every call then ends at its limit).
  using WorkMeter = std::function<std::optional<std::chrono::milliseconds>()>;

  explicit Watchdog(std::function<void()> onExpiry, WorkMeter workDone = {},
                    std::chrono::milliseconds pollInterval = std::chrono::milliseconds(100));
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Arms the deadline for the call now starting; calls nest, the outermost counts.
  class Guard {
   public:
    Guard(Watchdog& dog, std::chrono::milliseconds limit);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    // True when the call was found hanging while this guard was armed.
    bool expired() const { return dog_.expired_.load(); }

   private:
    Watchdog& dog_;
    bool outermost_;
  };

 private:
  using Ticks = std::chrono::steady_clock::rep;
  using Clock = std::chrono::steady_clock;
  static constexpr Ticks kDisarmed = 0;

  // What the watchdog thread saw of the call under way.
  struct Sighting {
    Ticks deadline = kDisarmed;  // the call's, which tells one call from the next
    std::optional<std::chrono::milliseconds> firstWork;  // the work done when first seen
    Clock::time_point lastLook;
    std::optional<std::chrono::milliseconds> lastWork;
    Clock::time_point nextLook;
  };

  void run();
  // Whether the call of deadline, past it or not, is to be ended now.
  bool hangs(Ticks deadline, Clock::time_point now);

  std::function<void()> onExpiry_;
  WorkMeter workDone_;
  std::chrono::milliseconds pollInterval_;
  int depth_ = 0;  // only the calling thread touches it
  std::atomic<Ticks> deadline_{kDisarmed};
  std::atomic<Ticks> limit_{0};  // the armed call's, in milliseconds
  std::atomic<bool> expired_{false};
  Sighting call_;  // only the watchdog thread touches it
  std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sheetwise::host

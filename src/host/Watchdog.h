#pragma once
// Ends the office process when one call into it takes longer than a limit, so
// that a hanging call returns (with a failure) instead of stalling a batch.
// Arming costs two atomic stores: the watchdog thread polls, nothing is woken
// per call.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sheetwise::host {

class Watchdog {
 public:
  explicit Watchdog(std::function<void()> onExpiry,
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
    // True when the limit ran out while this guard was armed.
    bool expired() const { return dog_.expired_.load(); }

   private:
    Watchdog& dog_;
    bool outermost_;
  };

 private:
  using Ticks = std::chrono::steady_clock::rep;
  static constexpr Ticks kDisarmed = 0;

  void run();

  std::function<void()> onExpiry_;
  std::chrono::milliseconds pollInterval_;
  int depth_ = 0;  // only the calling thread touches it
  std::atomic<Ticks> deadline_{kDisarmed};
  std::atomic<bool> expired_{false};
  std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sheetwise::host

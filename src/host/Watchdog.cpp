#include "host/Watchdog.h"

#include <algorithm>

namespace sheetwise::host {

namespace {

// Past its limit, a call is looked at again after this share of the limit.
constexpr int kLooksPerLimit = 12;
// Between two looks the office must have used at least this share of one
// processor (1/100) to count as working: one that waits uses next to none, one
// that works on a busy machine still gets far more.
constexpr int kLeastWorkShare = 100;

}  // namespace

Watchdog::Watchdog(std::function<void()> onExpiry, WorkMeter workDone, std::chrono::milliseconds pollInterval)
    : onExpiry_(std::move(onExpiry)),
      workDone_(std::move(workDone)),
      pollInterval_(pollInterval),
      thread_([this] { run(); }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopSignal_.notify_all();
  thread_.join();
}

void Watchdog::run() {
  std::unique_lock lock(stopMutex_);
  while (!stopSignal_.wait_for(lock, pollInterval_, [this] { return stopping_; })) {
    const Ticks deadline = deadline_.load();
    if (deadline != kDisarmed && hangs(deadline, Clock::now())) {
      expired_ = true;
      deadline_ = kDisarmed;
      onExpiry_();
    }
  }
}

bool Watchdog::hangs(Ticks deadline, Clock::time_point now) {
  const auto measure = [this] { return workDone_ ? workDone_() : std::nullopt; };
  if (deadline != call_.deadline) {
    const auto work = measure();
    call_ = {deadline, work, now, work, Clock::time_point(Clock::duration(deadline))};
  }
  if (now < call_.nextLook) return false;
  const auto work = measure();
  const std::chrono::milliseconds limit(limit_.load());
  const auto sinceLastLook = now - call_.lastLook;
  const bool working = work && call_.lastWork && sinceLastLook >= pollInterval_ &&
                       (*work - *call_.lastWork) * kLeastWorkShare >= sinceLastLook;
  const bool workedTheLimit = work && call_.firstWork && *work - *call_.firstWork >= limit;
  if (!working || workedTheLimit) return true;
  call_.lastLook = now;
  call_.lastWork = work;
  call_.nextLook = now + std::max(limit / kLooksPerLimit, pollInterval_);
  return false;
}

Watchdog::Guard::Guard(Watchdog& dog, std::chrono::milliseconds limit) : dog_(dog) {
  outermost_ = dog_.depth_++ == 0;
  if (outermost_) {
    dog_.expired_ = false;
    dog_.limit_ = limit.count();
    dog_.deadline_ = (Clock::now() + limit).time_since_epoch().count();
  }
}

Watchdog::Guard::~Guard() {
  --dog_.depth_;
  if (outermost_) dog_.deadline_ = kDisarmed;
}

}  // namespace sheetwise::host

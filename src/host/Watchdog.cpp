#include "host/Watchdog.h"

namespace sheetwise::host {

Watchdog::Watchdog(std::function<void()> onExpiry, std::chrono::milliseconds pollInterval)
    : onExpiry_(std::move(onExpiry)), pollInterval_(pollInterval), thread_([this] { run(); }) {}

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
    if (deadline != kDisarmed && std::chrono::steady_clock::now().time_since_epoch().count() >= deadline) {
      expired_ = true;
      deadline_ = kDisarmed;
      onExpiry_();
    }
  }
}

Watchdog::Guard::Guard(Watchdog& dog, std::chrono::milliseconds limit) : dog_(dog) {
  outermost_ = dog_.depth_++ == 0;
  if (outermost_) {
    dog_.expired_ = false;
    dog_.deadline_ = (std::chrono::steady_clock::now() + limit).time_since_epoch().count();
  }
}

Watchdog::Guard::~Guard() {
  --dog_.depth_;
  if (outermost_) dog_.deadline_ = kDisarmed;
}

}  // namespace sheetwise::host

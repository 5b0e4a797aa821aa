#include "host/WorkPhases.h"

#include <atomic>

namespace sheetwise::host {
namespace {
std::atomic<PhaseListener*> g_listener{nullptr};
}  // namespace

void ListenToPhases(PhaseListener* listener) { g_listener = listener; }

void EnterPhase(WorkPhase phase) {
  if (PhaseListener* listener = g_listener.load(std::memory_order_relaxed)) listener->enter(phase);
}

}  // namespace sheetwise::host

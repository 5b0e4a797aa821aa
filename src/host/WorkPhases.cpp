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

void SpentWithin(WorkPhase part, double wallSeconds, double officeCpuSeconds) {
  if (PhaseListener* listener = g_listener.load(std::memory_order_relaxed)) {
    listener->spentWithin(part, wallSeconds, officeCpuSeconds);
  }
}

}  // namespace sheetwise::host

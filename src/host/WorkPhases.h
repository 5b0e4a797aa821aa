#pragma once
// What processing a workbook costs, for benchmarks: the phases of the work,
// told as each begins to one listener of the process, and the number of
// messages sent to the office. Nothing in the program listens.

#include <cstdint>

namespace sheetwise::host {

enum class WorkPhase { Load, Veto, Rules, Fonts, TextResults, Store, Check, Copy, Close };
inline constexpr int kWorkPhases = 9;

class PhaseListener {
 public:
  virtual ~PhaseListener() = default;
  // Called from the thread doing the work: meant for runs with one worker.
  virtual void enter(WorkPhase phase) = 0;
  // Part of the phase under way was another phase's work, done by the office
  // within one request and timed there.
  virtual void spentWithin(WorkPhase part, double wallSeconds, double officeCpuSeconds) = 0;
};

// The process's listener from now on (nullptr: none).
void ListenToPhases(PhaseListener* listener);
// Tells the listener, if any.
void EnterPhase(WorkPhase phase);
// Tells the listener, if any, that part of the phase under way was part's.
void SpentWithin(WorkPhase part, double wallSeconds, double officeCpuSeconds);

// Messages this process has sent to its office processes so far: each a
// request the office dispatches under its global lock, or a release of one of
// its objects.
std::uint64_t OfficeMessagesSent();

}  // namespace sheetwise::host

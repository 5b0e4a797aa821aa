#pragma once
// Per-phase figures of a run with one worker: wall time, CPU time of the
// office process and of this program, and the messages sent to the office,
// summed over the workbooks; and the office's peak memory. The office's CPU
// time is exact (its CPU clock), so the figures hold on a busy machine where
// wall times wander.

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "host/WorkPhases.h"

namespace sheetwise::bench {

class PhaseMeter : public host::PhaseListener {
 public:
  PhaseMeter() { host::ListenToPhases(this); }
  ~PhaseMeter() override { host::ListenToPhases(nullptr); }
  PhaseMeter(const PhaseMeter&) = delete;
  PhaseMeter& operator=(const PhaseMeter&) = delete;

  void enter(host::WorkPhase phase) override;
  void spentWithin(host::WorkPhase part, double wallSeconds, double officeCpuSeconds) override;
  // Ends the phase under way (call when the run is over).
  void finish();
  // One line per phase that took place, and the sum, per workbook.
  void print(const std::string& title, size_t workbooks) const;
  // CPU seconds of the office and of this program over every phase.
  double cpuSeconds() const;

 private:
  struct Reading {
    double wall = 0;
    double office = 0;   // the office process's CPU seconds
    double program = 0;  // this process's CPU seconds
    double messages = 0;
    pid_t officePid = 0;
  };
  Reading now();

  std::optional<host::WorkPhase> current_;
  Reading start_;
  std::array<Reading, host::kWorkPhases> totals_{};
  std::array<bool, host::kWorkPhases> seen_{};
  std::array<Reading, host::kWorkPhases> within_{};  // other phases' work within the one under way
  pid_t office_ = 0;
  long long peakAddressSpace_ = 0, peakResident_ = 0;  // the most any office took, read at phase ends
};

}  // namespace sheetwise::bench

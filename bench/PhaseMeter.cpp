#include "PhaseMeter.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "host/ProcFs.h"

namespace sheetwise::bench {
namespace {

const char* const kPhaseNames[host::kWorkPhases] = {"load",  "veto",  "rules", "font work", "text results",
                                                    "store", "check", "copy",  "close"};

double CpuSeconds(clockid_t clock) {
  timespec t{};
  if (clock_gettime(clock, &t) != 0) return 0;
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The soffice.bin process started below this one, 0 when none runs.
pid_t FindOffice() {
  std::map<pid_t, pid_t> parents;
  std::map<pid_t, std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    const pid_t pid = std::stoi(name);
    parents[pid] = parent;
    names[pid] = line.substr(open + 1, close - open - 1);
  }
  for (const auto& [pid, name] : names) {
    if (name != "soffice.bin") continue;
    for (pid_t up = parents[pid]; up > 1; up = parents[up]) {
      if (up == ::getpid()) return pid;
    }
  }
  return 0;
}

}  // namespace

PhaseMeter::Reading PhaseMeter::now() {
  if (office_ == 0 || ::kill(office_, 0) != 0) office_ = FindOffice();
  Reading r;
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  clockid_t clock;
  if (office_ != 0 && clock_getcpuclockid(office_, &clock) == 0) r.office = CpuSeconds(clock);
  r.program = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  r.messages = static_cast<double>(host::OfficeMessagesSent());
  r.officePid = office_;
  if (office_ != 0) {
    peakAddressSpace_ = std::max(peakAddressSpace_, host::PeakAddressSpaceBytes(office_));
    peakResident_ = std::max(peakResident_, host::PeakResidentBytes(office_));
  }
  return r;
}

void PhaseMeter::enter(host::WorkPhase phase) {
  finish();
  current_ = phase;
  start_ = now();
}

// Held until the phase under way ends: it counts only if its office ran throughout.
void PhaseMeter::spentWithin(host::WorkPhase part, double wallSeconds, double officeCpuSeconds) {
  Reading& within = within_[static_cast<size_t>(part)];
  within.wall += wallSeconds;
  within.office += officeCpuSeconds;
}

void PhaseMeter::finish() {
  if (!current_) return;
  const Reading end = now();
  const auto i = static_cast<size_t>(*current_);
  current_.reset();
  const auto within = std::exchange(within_, {});
  // A phase in which an office started or ended holds its start-up: left out.
  if (end.officePid != start_.officePid) return;
  // What the office timed of other phases' work within this one is theirs.
  for (size_t part = 0; part < within.size(); ++part) {
    if (within[part].wall == 0 && within[part].office == 0) continue;
    totals_[part].wall += within[part].wall;
    totals_[part].office += within[part].office;
    totals_[i].wall -= within[part].wall;
    totals_[i].office -= within[part].office;
    seen_[part] = true;
  }
  totals_[i].wall += end.wall - start_.wall;
  totals_[i].office += end.office - start_.office;
  totals_[i].program += end.program - start_.program;
  totals_[i].messages += end.messages - start_.messages;
  seen_[i] = true;
}

void PhaseMeter::print(const std::string& title, size_t workbooks) const {
  const double n = static_cast<double>(workbooks);
  std::printf("%s, per workbook (%zu workbooks):\n", title.c_str(), workbooks);
  std::printf("  %-13s %9s %12s %13s %9s\n", "phase", "wall ms", "office CPU", "program CPU", "requests");
  Reading sum;
  for (size_t i = 0; i < totals_.size(); ++i) {
    if (!seen_[i]) continue;
    const Reading& t = totals_[i];
    std::printf("  %-13s %9.2f %12.2f %13.2f %9.1f\n", kPhaseNames[i], t.wall * 1000 / n, t.office * 1000 / n,
                t.program * 1000 / n, t.messages / n);
    sum.wall += t.wall;
    sum.office += t.office;
    sum.program += t.program;
    sum.messages += t.messages;
  }
  std::printf("  %-13s %9.2f %12.2f %13.2f %9.1f\n", "all", sum.wall * 1000 / n, sum.office * 1000 / n,
              sum.program * 1000 / n, sum.messages / n);
  std::printf("  office peak: %lld MB address space, %lld MB resident\n", peakAddressSpace_ >> 20,
              peakResident_ >> 20);
}

double PhaseMeter::cpuSeconds() const {
  double sum = 0;
  for (const auto& t : totals_) sum += t.office + t.program;
  return sum;
}

}  // namespace sheetwise::bench

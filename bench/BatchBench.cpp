// The batch command against the floor (the bare office loading and storing
// each workbook), office starts included, on two sets of workbooks:
// - report workbooks made here, as users have them (ReportWorkbooks.h);
// - copies of ten small real workbooks of the corpus, when its folder is given.
// For each set: first one pass of the floor and one of the batch command
// (--jobs 1, the check on) with the figures of each phase per workbook (wall
// time, the CPU time of the office and of this program, the requests sent to
// the office); then rounds of, in turn, the floor with one office (loaded
// through the desktop, and frameless), --jobs 1 with and without the check,
// the floor with two offices (both ways) and --jobs 2.
//
//   bench_batch [CORPUS_DIR [COPIES]]   (COPIES of each small workbook, default 20)
//
// Read only here: BENCH_REPORTS (workbooks made, default 200), BENCH_LATIN=1
// (their Chinese texts in Latin letters), BENCH_VETO=1 (the batch command is
// given a veto on a header cell of the report workbooks, which lets every one
// through), BENCH_ROUNDS (default 2),
// BENCH_PHASES_ONLY=1 (the phase tables alone), BENCH_KEEP=1 (the workbooks and
// copies are left in the temporary folder), BENCH_FORMAT (xls, the default;
// xlsx or ods: the report workbooks are made in that format, the floor stores
// them in it and the batch command is given --types for it; the corpus copies
// are .xls and left out then). Each round's times and the machine's load
// average are printed too.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BareOffice.h"
#include "BenchFormat.h"
#include "PhaseMeter.h"
#include "ReportWorkbooks.h"
#include "batch/RuleFootprint.h"
#include "cli/BatchCommand.h"
#include "rules/ParsedRule.h"
#include "verify/RuleChanges.h"
#include "verify/SaveComparison.h"

namespace fs = std::filesystem;
using namespace sheetwise;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kSmallWorkbooks[] = {
    "complex_merged_cells.xls", "row_heights.xls",         "column_widths.xls",
    "vba_macro.xls",            "data_validation.xls",     "wps_office_written.xls",
    "multiline_text_crlf.xls",  "date1904_system.xls",     "cjk_sheetname_second_active.xls",
    "wide_255_columns.xls"};

const char* const kTenRules =
    "2|B|bench\n{插入行}|正行|5\n{删除行}|正行|7\n{合并}|H20|I21\n{清空}|A10|C12\n"
    "{行距}|3|30\n{列距}|C|12\n4|A|42\n{插入行}|正行|2\n6|C|=1+2\n";

int Setting(const char* name, int otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : otherwise;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The workbooks of one set, in sourceFolder, all in one format.
struct WorkbookSet {
  std::string name;
  fs::path root;  // the set's own folder
  std::vector<std::string> files;
  const bench::BenchFormat* format;
  std::vector<std::string> batchArguments;  // beyond the rules, the folders and the format's
  fs::path source() const { return root / "in"; }
};

// The 1, 5 and 15 minute load averages, as /proc/loadavg gives them.
std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// How much of the floor's gain from a second office the batch command gets, in percent.
double GainShare(double floor1, double floor2, double jobs1, double jobs2) {
  return (jobs1 / jobs2 - 1) / (floor1 / floor2 - 1) * 100;
}

void PrintMedianShare(const char* what, std::vector<double> shares) {
  std::ranges::sort(shares);
  std::printf("  %s: median %.0f%% (from %.0f%% to %.0f%%)\n", what, shares[shares.size() / 2], shares.front(),
              shares.back());
}

// An empty output folder, as a run into a new folder has, with nothing of
// earlier runs left for the kernel to write out during the next: a workbook
// replaced by renaming over it makes the file system write it out at once.
void EmptyFolder(const fs::path& out) {
  fs::remove_all(out);
  fs::create_directories(out);
  ::sync();
}

// Open + store of every file, shared out over `offices` bare offices.
double Floor(const WorkbookSet& set, const fs::path& out, int offices, bool frameless = false) {
  EmptyFolder(out);
  const auto start = Clock::now();
  std::atomic<size_t> next{0};
  std::vector<std::jthread> threads;
  for (int o = 0; o < offices; ++o) {
    threads.emplace_back([&] {
      bench::BareOffice office(set.format->exportFilter, frameless);
      for (size_t i; (i = next++) < set.files.size();) {
        office.copy(set.files[i], (out / (std::to_string(i) + set.format->extension)).string());
      }
    });
  }
  threads.clear();
  return Seconds(start);
}

// status: set to the batch command's exit status.
double Batch(const WorkbookSet& set, const fs::path& out, int jobs, bool verify = true, int* status = nullptr) {
  std::ostringstream sink;
  std::atomic<bool> interrupted{false};
  std::vector<std::string> args{"--source", set.source().string(), "--rules", (set.root / "rules.txt").string(),
                                "--save",   out.string(),          "--jobs",  std::to_string(jobs),
                                "--quiet",  "--log",               (out / "log.txt").string()};
  if (!verify) args.push_back("--no-verify");
  for (const auto& arg : set.format->batchArguments()) args.push_back(arg);
  args.insert(args.end(), set.batchArguments.begin(), set.batchArguments.end());
  EmptyFolder(out);
  const auto start = Clock::now();
  const int ended = batch::RunBatchCommand(args, {sink, sink, false}, interrupted);
  if (ended != 0) std::printf("  (the batch command ended with status %d: %s)\n", ended, sink.str().c_str());
  if (status) *status = ended;
  return Seconds(start);
}

// The check alone: every source read and compared with its saved copy; a
// negative time when the check cannot read the format (said once).
double CheckAlone(const WorkbookSet& set, const fs::path& out) {
  const auto start = Clock::now();
  try {
    for (const auto& file : set.files) {
      verify::VerifySave(file, (out / fs::relative(file, set.source())).string(), {"Sheet1", {}});
    }
  } catch (const std::exception& e) {
    std::printf("  (the check alone cannot be timed: %s)\n", e.what());
    return -1;
  }
  return Seconds(start);
}

// The footprint the ten rules leave, as the engine gathers it.
verify::EditFootprint TenRulesFootprint() {
  std::vector<std::string> lines;
  std::istringstream in(kTenRules);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  verify::EditFootprint footprint{"Sheet1", {}};
  for (const auto& rule : rules::ParseRules(lines, false)) {
    for (auto& edit : batch::FootprintOf(rule)) footprint.edits.push_back(std::move(edit));
  }
  return footprint;
}

// The check as the batch command makes it, with the rules' footprint, and
// with (listed) or without the list of what the rules changed; the best of
// three each, interleaved. False when the check cannot read the format.
bool CheckWithChanges(const WorkbookSet& set, const fs::path& out, double& plain, double& listed) {
  const verify::EditFootprint footprint = TenRulesFootprint();
  const auto pass = [&](bool changes) {
    const auto start = Clock::now();
    for (const auto& file : set.files) {
      const std::string saved = (out / fs::relative(file, set.source())).string();
      if (changes) {
        verify::VerifySaveListingChanges(file, saved, footprint, verify::kChangesShown);
      } else {
        verify::VerifySave(file, saved, footprint);
      }
    }
    return Seconds(start);
  };
  plain = listed = 1e9;
  try {
    for (int i = 0; i < 3; ++i) {
      plain = std::min(plain, pass(false));
      listed = std::min(listed, pass(true));
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

// How many workbooks of the set's format are under folder.
size_t SavedWorkbooks(const WorkbookSet& set, const fs::path& folder) {
  size_t saved = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    saved += entry.is_regular_file() && entry.path().extension() == set.format->extension;
  }
  return saved;
}

// Whether the batch command takes the set (it refuses arguments it does not
// know, such as --types before it has them).
bool Phases(const WorkbookSet& set) {
  double floorCpu = 0;
  {
    bench::PhaseMeter meter;
    Floor(set, set.root / "phases-floor", 1);
    meter.finish();
    meter.print(set.name + ": the floor", set.files.size());
    floorCpu = meter.cpuSeconds();
  }
  bench::PhaseMeter meter;
  int status = 0;
  Batch(set, set.root / "phases-batch", 1, true, &status);
  meter.finish();
  if (status == 2) {
    std::printf("%s: the batch command does not take it (usage error): the floor alone is measured\n",
                set.name.c_str());
    return false;
  }
  meter.print(set.name + ": --jobs 1", set.files.size());
  // Steadier than wall times on a busy machine, where both wait for a processor.
  std::printf("  CPU time of the office and the program: %.2f x the floor's\n", meter.cpuSeconds() / floorCpu);
  if (const size_t saved = SavedWorkbooks(set, set.root / "phases-batch"); saved != set.files.size()) {
    std::printf("  (the batch command saved %zu of the %zu workbooks)\n", saved, set.files.size());
  }
  return true;
}

// The floor alone, when the batch command does not take the set.
void CompareFloor(const WorkbookSet& set, int rounds) {
  double floor1 = 1e9, floor2 = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const double f1 = Floor(set, set.root / "floor1", 1);
    const double f2 = Floor(set, set.root / "floor2", 2);
    std::printf("  round %d: floor %.2f s, floor 2 offices %.2f s; load average %s\n", round + 1, f1, f2,
                LoadAverage().c_str());
    floor1 = std::min(floor1, f1);
    floor2 = std::min(floor2, f2);
  }
  const double n = static_cast<double>(set.files.size());
  std::printf("%s: %zu workbooks, best of %d rounds, the floor alone\n", set.name.c_str(), set.files.size(), rounds);
  std::printf("  floor, 1 office:    %6.2f s  %6.1f workbooks/s\n", floor1, n / floor1);
  std::printf("  floor, 2 offices:   %6.2f s  %6.1f workbooks/s\n", floor2, n / floor2);
}

void Compare(const WorkbookSet& set, int rounds) {
  const fs::path& root = set.root;
  // Interleaved rounds; the better time of each counts, as this machine's
  // timings wander by a fifth from run to run.
  double floor1 = 1e9, frameless = 1e9, floor2 = 1e9, frameless2 = 1e9, jobs1 = 1e9, jobs2 = 1e9, unverified = 1e9;
  // Each round's own share of the floor's gain from a second office, and of the frameless floor's.
  std::vector<double> shares, framelessShares;
  for (int round = 0; round < rounds; ++round) {
    const double f1 = Floor(set, root / "floor1", 1);
    const double fl = Floor(set, root / "frameless", 1, true);
    const double j1 = Batch(set, root / "jobs1", 1);
    const double u = Batch(set, root / "unverified", 1, false);
    const double f2 = Floor(set, root / "floor2", 2);
    const double fl2 = Floor(set, root / "frameless2", 2, true);
    const double j2 = Batch(set, root / "jobs2", 2);
    shares.push_back(GainShare(f1, f2, j1, j2));
    framelessShares.push_back(GainShare(fl, fl2, j1, j2));
    std::printf("  round %d: floor %.2f s, frameless %.2f s, --jobs 1 %.2f s (%.2f x), no check %.2f s, "
                "floor 2 offices %.2f s, frameless 2 offices %.2f s, --jobs 2 %.2f s (%.2f x, %.0f%% of the floor's "
                "gain, %.0f%% of the frameless floor's); load average %s\n",
                round + 1, f1, fl, j1, j1 / f1, u, f2, fl2, j2, j2 / f2, shares.back(), framelessShares.back(),
                LoadAverage().c_str());
    std::fflush(stdout);
    floor1 = std::min(floor1, f1);
    frameless = std::min(frameless, fl);
    jobs1 = std::min(jobs1, j1);
    unverified = std::min(unverified, u);
    floor2 = std::min(floor2, f2);
    frameless2 = std::min(frameless2, fl2);
    jobs2 = std::min(jobs2, j2);
  }
  const double checks = CheckAlone(set, root / "jobs1");
  const double n = static_cast<double>(set.files.size());
  std::printf("%s: %zu workbooks, best of %d rounds\n", set.name.c_str(), set.files.size(), rounds);
  std::printf("  floor, 1 office:    %6.2f s  %6.1f workbooks/s\n", floor1, n / floor1);
  std::printf("  floor, frameless:   %6.2f s  %6.1f workbooks/s  (loaded with no frame or view, as the program "
              "loads; --jobs 1 takes %.2f x its time)\n",
              frameless, n / frameless, jobs1 / frameless);
  std::printf("  floor, 2 offices:   %6.2f s  %6.1f workbooks/s\n", floor2, n / floor2);
  std::printf("  frameless, 2 offices: %4.2f s  %6.1f workbooks/s\n", frameless2, n / frameless2);
  std::printf("  --jobs 1:           %6.2f s  %6.1f workbooks/s  (%.2f x the floor's time", jobs1, n / jobs1,
              jobs1 / floor1);
  if (set.format->timeGoal > 0) std::printf("; goal %.2f", set.format->timeGoal);
  std::printf(")\n");
  std::printf("  --jobs 1, no check: %6.2f s  (%.2f x the floor's time)\n", unverified, unverified / floor1);
  if (checks >= 0) std::printf("  the check alone:    %6.2f s  (%.3f x the floor's time)\n", checks, checks / floor1);
  if (double plain = 0, listed = 0; checks >= 0 && CheckWithChanges(set, root / "jobs1", plain, listed)) {
    std::printf("  the check with the rules' footprint: %.3f s; listing the changes too: %.3f s (%.3f x)\n", plain,
                listed, listed / plain);
  }
  std::printf("  --jobs 2:           %6.2f s  %6.1f workbooks/s\n", jobs2, n / jobs2);
  const double floorGain = floor1 / floor2;
  const double jobsGain = jobs1 / jobs2;
  std::printf("  speed-up of a second office: floor %.2f x, batch %.2f x (%.0f%% of the floor's; goal 95%%)\n",
              floorGain, jobsGain, GainShare(floor1, floor2, jobs1, jobs2));
  // Each round's four times come from the same minute; the best times above may not.
  PrintMedianShare("the same share within each round", shares);
  // The program loads without a frame: against the floor that loads as it does.
  std::printf("  speed-up of a second frameless office: %.2f x (the batch command gets %.0f%% of it)\n",
              frameless / frameless2, GainShare(frameless, frameless2, jobs1, jobs2));
  PrintMedianShare("the same share within each round", framelessShares);
}

WorkbookSet ReportSet(const fs::path& root, const bench::BenchFormat& format) {
  const std::string kind = format.name == "xls" ? "" : " (" + format.extension + ")";
  WorkbookSet set{"report workbooks" + kind, root / "reports", {}, &format, {}};
  const bool latin = Setting("BENCH_LATIN", 0);
  set.files = bench::MakeReportWorkbooks(set.source(), Setting("BENCH_REPORTS", 200), format, latin);
  // The header's first cell, which every report workbook holds: no workbook is vetoed.
  if (Setting("BENCH_VETO", 0)) set.batchArguments = {"--veto-row", "2", "--veto-col", "A", "--veto-value", latin ? "No." : "序号"};
  return set;
}

WorkbookSet CorpusSet(const fs::path& root, const fs::path& corpus, int copies, const bench::BenchFormat& xls) {
  WorkbookSet set{"corpus copies", root / "corpus", {}, &xls, {}};
  for (int c = 0; c < copies; ++c) {
    const fs::path folder = set.source() / ("d" + std::to_string(c % 5));
    fs::create_directories(folder);
    for (const char* name : kSmallWorkbooks) {
      const fs::path target = folder / (std::to_string(c) + "_" + name);
      fs::copy_file(corpus / name, target, fs::copy_options::overwrite_existing);
      set.files.push_back(target.string());
    }
  }
  return set;
}

}  // namespace

int main(int argc, char** argv) {
  // A write to an office that has just died fails instead of ending the run.
  ::signal(SIGPIPE, SIG_IGN);
  if (argc > 3) {
    std::fprintf(stderr, "usage: bench_batch [CORPUS_DIR [COPIES]]\n");
    return 2;
  }
  const bench::BenchFormat* format = nullptr;
  try {
    format = &bench::FormatFromEnvironment();
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  const fs::path root = fs::temp_directory_path() / ("sheetwise-bench-batch-" + std::to_string(::getpid()));
  fs::remove_all(root);
  std::printf("format %s; load average at the start %s\n", format->extension.c_str(), LoadAverage().c_str());
  std::vector<WorkbookSet> sets{ReportSet(root, *format)};
  if (argc > 1 && format->name == "xls") {
    sets.push_back(CorpusSet(root, argv[1], argc > 2 ? std::atoi(argv[2]) : 20, *format));
  } else if (argc > 1) {
    std::printf("corpus copies left out: they are .xls workbooks\n");
  }
  for (auto& set : sets) std::ofstream(set.root / "rules.txt") << kTenRules;

  {  // both profiles exist and are warm
    WorkbookSet warm = sets.front();
    warm.files.resize(4);
    Floor(warm, root / "warm", 2);
  }
  std::vector<bool> taken;
  for (const auto& set : sets) taken.push_back(Phases(set));
  if (!Setting("BENCH_PHASES_ONLY", 0)) {
    const int rounds = std::max(1, Setting("BENCH_ROUNDS", 2));
    for (size_t i = 0; i < sets.size(); ++i) {
      if (taken[i]) {
        Compare(sets[i], rounds);
      } else {
        CompareFloor(sets[i], rounds);
      }
    }
  }
  if (!Setting("BENCH_KEEP", 0)) fs::remove_all(root);
  return 0;
}

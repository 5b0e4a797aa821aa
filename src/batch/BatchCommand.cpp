#include "batch/BatchCommand.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "batch/BatchOptions.h"
#include "batch/FolderScan.h"
#include "batch/LogEntries.h"
#include "batch/LogFile.h"
#include "batch/OutputNaming.h"
#include "batch/ParallelRun.h"
#include "extract/CsvWriter.h"
#include "host/Clock.h"
#include "host/HostError.h"
#include "rules/RuleFile.h"

namespace sheetwise::batch {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;
constexpr const char* kOfficeMissing =
    "LibreOffice could not be started, so no workbook was processed.\n"
    "Install it with: apt-get install libreoffice-calc-nogui";

// The K-th of N disjoint shares: every N-th file, starting at K.
std::vector<std::string> Shard(const std::vector<std::string>& queue, int index, int count) {
  std::vector<std::string> share;
  for (size_t i = static_cast<size_t>(index - 1); i < queue.size(); i += static_cast<size_t>(count)) {
    share.push_back(queue[i]);
  }
  return share;
}

// The window's start checks, as errors.
void CheckStart(const RunSettings& settings) {
  if (const auto problem = SaveSettingsProblem(settings.naming)) throw UsageError(*problem);
}

std::string ReasonNote(const LogEntry& entry) { return entry.reason.empty() ? "" : "  (" + entry.reason + ")"; }

struct Tally {
  int processed = 0;
  int vetoed = 0;
  int failed = 0;
  void count(const FileOutcome& outcome) {
    bool veto = false;
    bool failure = false;
    for (const auto& entry : outcome.logEntries) {
      if (IsVetoEntry(entry.text)) {
        veto = true;
      } else {
        failure = true;
      }
    }
    if (failure) {
      ++failed;
    } else {
      ++processed;
      vetoed += veto ? 1 : 0;
    }
  }
};

class Progress {
 public:
  Progress(std::ostream& err, bool shown, size_t total) : err_(err), shown_(shown), total_(total) {}
  void clear() {
    if (shown_ && drawn_) err_ << "\r\033[K";
    drawn_ = false;
  }
  void draw(size_t done) {
    if (!shown_) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    const int width = 30;
    const int filled = total_ ? static_cast<int>(width * done / total_) : width;
    char line[160];
    std::snprintf(line, sizeof line, "\r[%s%s] %zu/%zu  %.1f workbooks/s  %.0f s left", std::string(filled, '#').c_str(),
                  std::string(width - filled, '.').c_str(), done, total_, rate,
                  rate > 0 ? (total_ - done) / rate : 0.0);
    err_ << line << std::flush;
    drawn_ = true;
  }
  double elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

 private:
  std::ostream& err_;
  bool shown_;
  size_t total_;
  bool drawn_ = false;
  Clock::time_point start_ = Clock::now();
};

class Command {
 public:
  Command(CommandStreams io, const std::atomic<bool>& interrupted, const host::HostOptions& hostOptions)
      : io_(io), interrupted_(interrupted), hostOptions_(hostOptions) {}

  int run(const std::vector<std::string>& args) {
    options_ = ParseBatchOptions(args);
    if (options_.help) {
      io_.out << kBatchHelp;
      return 0;
    }
    if (options_.version) {
      io_.out << "sheetwise-batch 1.1\n";
      return 0;
    }
    settings_ = RunSettingsFor(options_, rules::LoadRuleFile(options_.rulesFile));
    CheckStart(settings_);
    settings_.naming.namePrefix = MakeNamePrefix(options_.prefix, host::DateText(clock_.now()));
    const FolderTree tree = ScanFolderTree(settings_.naming.sourceFolder);
    const auto queue = Shard(tree.workbooks, options_.shardIndex, options_.shardCount);
    if (options_.dryRun) return dryRun(queue);
    if (!options_.inPlace && !options_.extract) MakeMirroredFolders(settings_.naming, tree.folders);
    return process(queue);
  }

 private:
  int dryRun(const std::vector<std::string>& queue) {
    for (const auto& path : queue) {
      io_.out << path << '\t' << (options_.inPlace ? path : BuildOutputPath(settings_.naming, path)) << '\n';
    }
    return 0;
  }

  std::ostream& csvStream() {
    if (options_.output.empty()) return io_.out;
    csvFile_ = std::make_unique<std::ofstream>(options_.output, std::ios::binary | std::ios::trunc);
    if (!*csvFile_) throw UsageError("cannot write the output file " + options_.output);
    return *csvFile_;
  }

  int process(const std::vector<std::string>& queue) {
    LogFile log(clock_, std::filesystem::path(options_.log.empty() ? std::string(kLogFileName) : options_.log));
    log.startRun();
    std::ostream* csv = options_.extract ? &csvStream() : nullptr;
    if (csv) extract::WriteCsvHeader(*csv);
    Progress progress(io_.err, io_.errIsTerminal && !options_.quiet, queue.size());
    Tally tally;
    const ParallelRunOptions parallel{options_.jobs > 0 ? options_.jobs : DefaultJobs(), options_.extract,
                                      hostOptions_, &interrupted_};
    try {
      RunInParallel(settings_, queue, parallel, [&](size_t index, const FileOutcome& outcome) {
        progress.clear();
        for (const auto& entry : outcome.logEntries) {
          log.append(entry.text);
          if (!options_.quiet) io_.err << entry.text << ReasonNote(entry) << '\n';
        }
        if (const auto notice = log.takeWriteFailureNotice()) io_.err << *notice << '\n';
        if (csv) {
          for (const auto& record : outcome.records) extract::WriteCsvRecord(*csv, record);
          csv->flush();
        }
        tally.count(outcome);
        progress.draw(index + 1);
      });
    } catch (const host::HostUnavailable& e) {
      progress.clear();
      io_.err << kOfficeMissing << '\n' << e.what() << '\n';
      return kExitUsage;
    }
    progress.clear();
    summarize(tally, queue.size(), progress.elapsed());
    if (interrupted_) return kExitInterrupted;
    return tally.failed > 0 ? kExitFailures : 0;
  }

  void summarize(const Tally& tally, size_t queued, double seconds) {
    char line[256];
    std::snprintf(line, sizeof line, "%s%d processed (%d vetoed), %d failed, %zu not started, %.1f s\n",
                  interrupted_ ? "interrupted: " : "", tally.processed, tally.vetoed, tally.failed,
                  queued - tally.processed - tally.failed, seconds);
    io_.err << line;
  }

  CommandStreams io_;
  const std::atomic<bool>& interrupted_;
  host::HostOptions hostOptions_;
  host::SystemClock clock_;
  BatchOptions options_;
  RunSettings settings_;
  std::unique_ptr<std::ofstream> csvFile_;
};

}  // namespace

int RunBatchCommand(const std::vector<std::string>& args, CommandStreams io, const std::atomic<bool>& interrupted,
                    const host::HostOptions& hostOptions) {
  try {
    return Command(io, interrupted, hostOptions).run(args);
  } catch (const UsageError& e) {
    io.err << "sheetwise-batch: " << e.what() << '\n';
  } catch (const rules::RuleFileError& e) {
    io.err << "sheetwise-batch: " << e.what() << '\n';
  }
  return kExitUsage;
}

}  // namespace sheetwise::batch

#include "cli/BatchCommand.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/BatchOptions.h"
#include "cli/CsvOutput.h"
#include "cli/ExitStatus.h"
#include "batch/FolderScan.h"
#include "cli/KeptOriginals.h"
#include "batch/LogEntries.h"
#include "batch/LogFile.h"
#include "cli/MergeReports.h"
#include "cli/OptionChecks.h"
#include "cli/PreviewRun.h"
#include "batch/OutputNaming.h"
#include "batch/ParallelRun.h"
#include "batch/RunPlan.h"
#include "batch/Shards.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"
#include "cli/UndoRun.h"
#include "host/Clock.h"
#include "host/HostError.h"
#include "host/MemoryFigures.h"
#include "host/OfficeMemoryLimit.h"
#include "host/ShownText.h"
#include "host/Translate.h"
#include "rules/RuleFile.h"
#include "rules/RuleString.h"

namespace sheetwise::batch {
namespace {

using Clock = std::chrono::steady_clock;

// The window's start checks, as errors.
void CheckStart(const RunSettings& settings) {
  if (const auto problem = SaveSettingsProblem(settings.naming)) throw UsageError(*problem);
}

std::string ReasonNote(const LogEntry& entry) {
  return entry.reason.empty() ? "" : "  (" + host::ShownText(entry.reason) + ")";
}

// "--log -": the error log goes to standard error.
constexpr std::string_view kLogToStandardError = "-";

// A workbook that failed, or was written without a check, keeps its line on
// standard error under --quiet, so that a scheduler's log shows every failure.
bool Failed(const FileOutcome& outcome, bool extract) {
  if (extract) return !outcome.logEntries.empty();
  return outcome.result.outcome == Outcome::Failed || outcome.result.outcome == Outcome::Unchecked;
}

struct Tally {
  int processed = 0;  // vetoed ones included
  int vetoed = 0;
  int failed = 0;
  int skipped = 0;     // in the queue, passed over by the engine
  int passedOver = 0;  // outside the queue: what the scan could not read
  bool temporary = false;  // a failure another try may not meet
  std::vector<std::string> unchecked;  // written without a check: "path  (why)"
  void count(const ReportRow& row) {
    processed += row.outcome == ReportOutcome::Processed || row.outcome == ReportOutcome::Vetoed ? 1 : 0;
    vetoed += row.outcome == ReportOutcome::Vetoed ? 1 : 0;
    failed += row.outcome == ReportOutcome::Failed ? 1 : 0;
    skipped += row.outcome == ReportOutcome::Skipped ? 1 : 0;
    if (row.outcome == ReportOutcome::Unchecked) {
      unchecked.push_back(host::ShownText(row.source) + "  (" + host::ShownText(row.reason) + ")");
    }
  }
  int done() const { return processed + failed + skipped + static_cast<int>(unchecked.size()); }
};

// The report's row of one workbook.
ReportRow RowOf(const std::string& source, const FileOutcome& outcome, bool extract) {
  ReportRow row{source, ReportOutcome::Processed, "", "", {}, outcome.seconds};
  if (extract) {
    if (!outcome.logEntries.empty()) {
      row.outcome = ReportOutcome::Failed;
      row.reason = outcome.logEntries.front().reason;
    }
    return row;
  }
  row.outcome = ReportOutcomeOf(outcome.result.outcome);
  row.output = outcome.result.output;
  row.reason = outcome.result.reason;
  row.differences = outcome.result.differences;
  row.changes = outcome.result.changes;
  return row;
}

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
    err_ << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] "
         << Tr("%s/%s  %s workbooks/s  %s s left",
               {std::to_string(done), std::to_string(total_), rules::FixedNumberText(rate, 1),
                rules::FixedNumberText(rate > 0 ? (total_ - done) / rate : 0.0, 0)})
         << std::flush;
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

// The originals earlier in-place runs keep inside the tree are no sources.
void LeaveOutRunFolders(FolderTree& tree) {
  std::vector<std::string> runFolders;
  std::error_code ec;
  for (const auto& folder : tree.folders) {
    if (std::filesystem::exists(std::filesystem::path(folder) / kRunFolderMarker, ec)) runFolders.push_back(folder);
  }
  for (const auto& folder : runFolders) LeaveOutFolder(tree, folder);
}

class Command {
 public:
  Command(CommandStreams io, std::atomic<bool>& interrupted, const host::HostOptions& hostOptions)
      : io_(io), interrupted_(interrupted), hostOptions_(hostOptions) {}

  int run(const std::vector<std::string>& args) {
    if (!args.empty() && args.front() == "--merge-reports") return MergeReports({args.begin() + 1, args.end()}, io_.err);
    options_ = ParseBatchOptions(args);
    if (options_.help) {
      io_.out << Tr(kBatchHelp);
      return 0;
    }
    if (options_.version) {
      io_.out << "sheetwise-batch 1.1\n";
      return 0;
    }
    if (!options_.undo.empty()) return UndoRun(options_.undo, options_.report, options_.quiet, io_, interrupted_);
    if (!options_.forget.empty()) return ForgetRun(options_.forget, io_);
    const auto ruleFile = loadRules();
    if (!options_.quiet && ruleFile.encodingWorthTelling()) {
      io_.err << Tr("the rule file %s was read as %s", {rulesName(), ruleFile.encoding}) << '\n';
    }
    settings_ = RunSettingsFor(options_, ruleFile.rules);
    digest_ = RunDigest(settings_, options_.extract);
    CheckStart(settings_);
    settings_.naming.namePrefix = MakeNamePrefix(options_.prefix, host::DateText(clock_.now()));
    const bool copies = !options_.inPlace && !options_.extract && options_.preview == 0;
    if (options_.inPlace && options_.keepOriginals) {
      if (options_.report.empty()) options_.report = defaultInPlaceReport();
      runFolder_ = RunFolderFor(options_.report, options_.backup);
    }
    // Neither the copies nor the kept originals are ever taken for sources.
    const std::string leftOut = copies ? settings_.naming.saveFolder : runFolder_.empty() ? "" : AsFolder(runFolder_);
    FolderTree tree = ScanFolderTree(settings_.naming.sourceFolder, leftOut, settings_.kinds);
    LeaveOutRunFolders(tree);
    if (options_.preview == 0) checkPlan(tree);  // a preview writes only into a folder of its own
    if (const auto notice = CheckRuleList(options_, settings_.rules)) io_.err << *notice << '\n';
    // The whole tree was checked; a shard keeps only its own share.
    WorkbookPaths queue = std::move(tree.workbooks);
    TakeShare(queue, settings_.naming.sourceFolder, options_.shardIndex, options_.shardCount);
    const std::vector<SkippedEntry> skipped = std::move(tree.skipped);
    tree = {};
    if (options_.preview > 0) return preview(queue);
    resumeFrom(queue);
    if (options_.dryRun) return dryRun(queue, skipped);
    return process(queue, skipped);
  }

 private:
  bool rulesFromInput() const { return options_.rulesFile == kStandardInput; }
  std::string rulesName() const { return rulesFromInput() ? Tr("(standard input)") : options_.rulesFile; }

  rules::RuleFileContents loadRules() const {
    if (rulesFromInput()) return rules::LoadRuleFile(io_.in, rulesName(), options_.encoding);
    return rules::LoadRuleFile(options_.rulesFile, options_.encoding);
  }

  bool logToErrors() const { return options_.log == kLogToStandardError; }
  // The error log file; "" when it goes to standard error.
  std::string logPath() const {
    if (logToErrors()) return "";
    return options_.log.empty() ? std::string(kLogFileName) : options_.log;
  }

  // Each log entry of a workbook: into the log file, and on standard error
  // beside its reason (with its date and time when that is the log).
  void logEntries(const FileOutcome& outcome, LogFile& log) {
    const bool shown = !options_.quiet || Failed(outcome, options_.extract);
    for (const auto& entry : outcome.logEntries) {
      if (logToErrors()) {
        io_.err << host::DateTimeText(clock_.now());
      } else {
        log.append(entry.text);
        if (!shown) continue;
      }
      io_.err << host::ShownText(entry.text) << ReasonNote(entry) << '\n';
      if (options_.quiet) continue;
      for (const auto& difference : entry.differences) io_.err << "    " << host::ShownText(difference) << '\n';
    }
    if (const auto notice = log.takeWriteFailureNotice()) {
      io_.err << *notice << '\n';
      logFailed_ = true;
    }
  }

  // An in-place run keeps its originals, which --undo finds through the
  // run's report: without --report, one is written beside the log (in the
  // current folder when the log goes to standard error).
  std::string defaultInPlaceReport() {
    std::string stamp = host::DateTimeText(clock_.now());
    std::erase(stamp, ':');
    std::replace(stamp.begin(), stamp.end(), ' ', '_');
    const auto folder = logToErrors() ? std::filesystem::current_path()
                                      : std::filesystem::absolute(logPath()).parent_path();
    const std::string name = "sheetwise-in-place-" + stamp + "-" + std::to_string(::getpid());
    std::filesystem::path report = folder / (name + ".csv");
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(report, ec) || std::filesystem::exists(RunFolderFor(report, ""), ec); ++n) {
      report = folder / (name + "-" + std::to_string(n) + ".csv");
    }
    return report.string();
  }

  // The run folder takes no other run's originals, and no other files (nor
  // the sources); no kept original is edited in place.
  void checkRunFolder() const {
    const auto& source = settings_.naming.sourceFolder;
    if (options_.inPlace && RunFolderHolding(std::filesystem::path(source) / kRunFolderMarker)) {
      throw UsageError(Tr("%s holds originals an in-place run kept, which are not edited: put them back with --undo, "
                          "or copy them elsewhere first",
                          {source}));
    }
    if (runFolder_.empty()) return;
    std::error_code ec;
    const bool appending =
        !options_.resume.empty() && std::filesystem::equivalent(options_.report, options_.resume, ec);
    if (const auto problem = RunFolderProblem(runFolder_, appending)) throw UsageError(*problem);
  }

  // Every shard checks the whole tree, so shards never write over each other.
  void checkPlan(const FolderTree& tree) const {
    const auto journalOf = [](const std::string& report) {
      return report.empty() ? std::string() : JournalPathOf(report).string();
    };
    const RunFiles files{rulesFromInput() ? "" : options_.rulesFile,
                         logPath(),
                         options_.output,
                         options_.report,
                         options_.inPlace ? journalOf(options_.report) : "",
                         options_.resume,
                         journalOf(options_.resume)};
    if (const auto problem = CheckRunPlan(settings_, options_.extract, tree.workbooks, tree.folders, files)) {
      throw UsageError(PlanProblemText(*problem));
    }
    checkRunFolder();
  }

  // Takes the workbooks an earlier run did out of the queue; their rows come first in the report.
  void resumeFrom(WorkbookPaths& queue) {
    if (options_.resume.empty()) return;
    if (options_.extract) {
      throw UsageError(Tr("--resume goes with --save or --in-place: an extraction's CSV holds every workbook it read"));
    }
    resume_.emplace(options_.resume, digest_, options_.inPlace);
    resume_->takeDone(queue);
    std::error_code ec;
    appending_ = !options_.report.empty() && std::filesystem::equivalent(options_.report, options_.resume, ec);
  }

  // A closed output (a reader that went away) ends the run as Ctrl-C does.
  void noticeClosedOutput(const CsvOutput* csv) {
    if (!io_.out || !io_.err || (csv && csv->outputClosed())) interrupted_ = true;
  }

  // An output that cannot be written stops the run: no new workbook starts,
  // the ones in progress finish, and the run ends with exit status 1.
  void noticeOutputFailure(const std::optional<std::string>& failure) {
    if (!failure || outputFailure_) return;
    outputFailure_ = failure;
    interrupted_ = true;
    io_.err << *failure << '\n' << Tr("The run stopped: the workbooks not yet processed were not touched.") << '\n';
  }

  // Names are shown escaped: a newline in a name would split its line.
  int dryRun(const WorkbookPaths& queue, const std::vector<SkippedEntry>& skipped) {
    for (const auto& entry : skipped) {
      if (!options_.quiet) io_.err << entry.reason << '\n';
    }
    for (const auto& path : queue) {
      io_.out << host::ShownText(path) << '\t'
              << host::ShownText(options_.inPlace ? path : BuildOutputPath(settings_.naming, path)) << '\n';
    }
    return 0;
  }

  // The first workbooks of the plan, or those named, edited into a folder of their own and gone with it.
  int preview(const WorkbookPaths& queue) {
    const auto workbooks = PreviewedWorkbooks(queue, options_.only, static_cast<size_t>(options_.preview));
    const int most = options_.jobs > 0 ? options_.jobs : DefaultJobs();
    const int jobs = std::max(1, std::min(most, static_cast<int>(workbooks.size())));
    const ParallelRunOptions parallel{jobs, false, officeOptions(jobs), &interrupted_};
    return PreviewRun(settings_, workbooks, parallel, io_);
  }

  extract::CsvTexts csvTexts() const { return options_.csvRaw ? extract::CsvTexts::Raw : extract::CsvTexts::Guarded; }

  std::unique_ptr<CsvOutput> openCsv() {
    try {
      return std::make_unique<CsvOutput>(options_.output, io_.out, csvTexts());
    } catch (const std::runtime_error& e) {
      throw UsageError(Tr("cannot write the output file %s", {options_.output}) + ": " + e.what());
    }
  }

  int process(const WorkbookPaths& queue, const std::vector<SkippedEntry>& passedOver) {
    LogFile log(clock_, std::filesystem::path(logPath()));
    log.startRun();
    std::unique_ptr<RunReport> report = openReport();
    Tally tally;
    if (report) noticeOutputFailure(report->failure());
    // Appended to the report resumed from, what it lists already gets no second row.
    for (const auto& skipped : passedOver) {
      if (!options_.quiet) io_.err << skipped.reason << '\n';
      const bool listed = appending_ && resume_->listsPassedOver(skipped.path, skipped.reason);
      if (report && !listed && !report->add({skipped.path, ReportOutcome::Skipped, "", skipped.reason, {}, 0})) {
        noticeOutputFailure(reportFailure(*report));
      }
      ++tally.passedOver;
    }
    const std::size_t resumed = resume_ ? resume_->doneCount() : 0;
    for (std::size_t i = 0; i < resumed; ++i) {
      const DoneWorkbook done = resume_->done(i);
      const bool listed = appending_ && done.inReport;
      if (report && !listed && !report->add(done.row)) noticeOutputFailure(reportFailure(*report));
      ++tally.passedOver;
    }
    if (resumed > 0 && !options_.quiet) {
      io_.err << Tr("%s workbooks that %s lists as done are skipped", {std::to_string(resumed), options_.resume})
              << '\n';
    }
    std::unique_ptr<SaveJournal> journal;
    if (report && options_.inPlace) {
      journal = std::make_unique<SaveJournal>(options_.report, digest_);
      openRunFolder(queue);
      // The original is kept before its replacement is journaled, and both before the rename.
      settings_.beforeReplace = [this, &journal](const std::string& source, const std::string& written) {
        journal->beforeReplace(source, written, originals_ ? originals_->keep(source) : "");
      };
    }
    size_t emitted = 0;
    const std::unique_ptr<CsvOutput> csv = options_.extract ? openCsv() : nullptr;
    if (csv && !csv->writeHeader()) noticeOutputFailure(csv->failure());
    Progress progress(io_.err, io_.errIsTerminal && !options_.quiet, queue.size());
    const int jobs = options_.jobs > 0 ? options_.jobs : DefaultJobs();
    const ParallelRunOptions parallel{jobs, options_.extract, officeOptions(jobs), &interrupted_};
    try {
      RunInParallel(settings_, queue, parallel, [&](size_t index, const FileOutcome& outcome) {
        progress.clear();
        logEntries(outcome, log);
        ReportRow row = RowOf(queue[index], outcome, options_.extract);
        noteOriginal(row);
        if (csv && !csv->write(outcome.records) && csv->failure()) {
          // Its cells are not in the CSV: the workbook's extraction failed.
          noticeOutputFailure(csv->failure());
          row.outcome = ReportOutcome::Failed;
          row.reason = outputFailure_.value_or("");
        }
        StampRow(row, digest_, host::DateTimeText(clock_.now()));
        // Whatever its outcome, a replaced workbook is put back only while it holds what was written.
        if (!row.original.empty() && row.sha256.empty()) row.sha256 = Sha256Of(row.source);
        if (report && !report->add(row)) noticeOutputFailure(reportFailure(*report));
        tally.count(row);
        tally.temporary = tally.temporary || outcome.temporary;
        emitted = index + 1;
        progress.draw(index + 1);
        noticeClosedOutput(csv.get());
      });
    } catch (const host::HostUnavailable& e) {
      progress.clear();
      reportNotStarted(report.get(), queue, emitted, e.what());
      io_.err << e.what() << '\n' << Tr("The run stopped: the workbooks not yet processed were not touched.") << '\n';
      return e.temporary() ? kExitTemporary : kExitFailures;
    }
    progress.clear();
    const std::string notStarted = outputFailure_ ? *outputFailure_ : interrupted_ ? Tr("the run was interrupted") : "";
    reportNotStarted(report.get(), queue, emitted, notStarted);
    if (csv) csv->close();
    if (csv) noticeOutputFailure(csv->failure());
    if (report) report->close();
    if (report) noticeOutputFailure(reportFailure(*report));
    // Every workbook written has its row, unless the report could not take it.
    if (journal && !(report && report->failure())) journal->finish();
    summarize(tally, queue.size(), progress.elapsed());
    if (originals_) originals_->closeIfEmpty();
    if (originals_ && originals_->count() > 0) {
      io_.err << Tr("the originals are kept in %s; sheetwise-batch --undo %s puts them back, --forget removes them",
                    {originals_->folder().string(), options_.report})
              << '\n';
    }
    const bool diskFull = (report && report->diskFull()) || (csv && csv->diskFull()) || log.diskFull();
    // A copy written without a check of its save is no success either.
    const bool failed = tally.failed > 0 || !tally.unchecked.empty() || logFailed_;
    return ExitStatus({interrupted_, failed, tally.temporary || diskFull, outputFailure_.has_value()});
  }

  // Each office's memory limit: as given, or its share of the machine's memory.
  host::HostOptions officeOptions(int jobs) const {
    host::HostOptions office = hostOptions_;
    if (options_.officeMemory > 0) {
      office.memoryLimitBytes = static_cast<std::uint64_t>(options_.officeMemory) << 20;
    } else if (office.memoryLimitBytes == 0) {
      office.memoryLimitBytes = host::DefaultOfficeMemoryLimit(host::ProcMemoryFigures().read(), jobs);
    }
    if (!options_.keepOwner) office.owner = host::OwnerRule::MayChange;
    return office;
  }

  // The run folder, made before the first workbook. A run resumed after a
  // kill may have kept a workbook it never replaced: that link goes, or the
  // workbook could not be saved in place (it would have two links).
  void openRunFolder(const WorkbookPaths& queue) {
    if (runFolder_.empty() || queue.empty()) return;
    originals_ = std::make_unique<KeptOriginals>(runFolder_, settings_.naming.sourceFolder);
    std::error_code ec;
    const bool earlier = std::filesystem::exists(runFolder_, ec);
    try {
      originals_->open();
    } catch (const std::runtime_error& e) {
      throw UsageError(Tr("the originals cannot be kept: %s", {e.what()}));
    }
    if (earlier) {
      for (const auto& source : queue) originals_->forgetUnreplaced(source);
    }
  }

  // The row of a replaced workbook names where its original is kept,
  // whatever its outcome; a workbook not replaced keeps nothing there.
  void noteOriginal(ReportRow& row) {
    if (!originals_) return;
    if (originals_->replaced(row.source)) {
      row.original = originals_->keptOf(row.source);
      originals_->settle(row.source);
    } else {
      originals_->forgetUnreplaced(row.source);
    }
  }

  std::unique_ptr<RunReport> openReport() {
    if (options_.report.empty()) return nullptr;
    try {
      if (appending_) return std::make_unique<RunReport>(options_.report, resume_->wholeBytes(), csvTexts());
      return std::make_unique<RunReport>(options_.report, csvTexts());
    } catch (const std::runtime_error& e) {
      throw UsageError("--report: " + std::string(e.what()));
    }
  }

  static std::optional<std::string> reportFailure(const RunReport& report) {
    if (!report.failure()) return std::nullopt;
    return Tr("the report cannot be written: %s", {*report.failure()});
  }

  // Rows for the workbooks that were queued but never started.
  void reportNotStarted(RunReport* report, const WorkbookPaths& queue, size_t emitted,
                        const std::string& reason) {
    for (size_t i = emitted; report && i < queue.size(); ++i) {
      if (!report->add({queue[i], ReportOutcome::NotStarted, "", reason, {}, 0})) {
        noticeOutputFailure(reportFailure(*report));
      }
    }
  }

  void summarize(const Tally& tally, size_t queued, double seconds) {
    const size_t notStarted = queued - static_cast<size_t>(tally.done());
    io_.err << (interrupted_ && !outputFailure_ ? Tr("interrupted: ") : "")
            << Tr("%s processed (%s vetoed), %s failed, %s not started, %s s",
                  {std::to_string(tally.processed), std::to_string(tally.vetoed), std::to_string(tally.failed),
                   std::to_string(notStarted), rules::FixedNumberText(seconds, 1)});
    if (tally.skipped + tally.passedOver > 0) {
      io_.err << Tr(", %s skipped", {std::to_string(tally.skipped + tally.passedOver)});
    }
    if (!tally.unchecked.empty()) io_.err << Tr(", %s unchecked", {std::to_string(tally.unchecked.size())});
    io_.err << '\n';
    for (const auto& line : tally.unchecked) io_.err << Tr("written without a check: %s", {line}) << '\n';
  }

  CommandStreams io_;
  std::atomic<bool>& interrupted_;
  host::HostOptions hostOptions_;
  host::SystemClock clock_;
  BatchOptions options_;
  RunSettings settings_;
  std::string digest_;  // of the settings, before the date goes into the prefix
  std::optional<ResumePoint> resume_;  // with the workbooks the resumed report had done
  std::filesystem::path runFolder_;  // in place, where the originals are kept; empty: none are
  std::unique_ptr<KeptOriginals> originals_;
  bool appending_ = false;  // the report is the one resumed from, appended to
  std::optional<std::string> outputFailure_;  // the first output that could not be written
  bool logFailed_ = false;
};

}  // namespace

int RunBatchCommand(const std::vector<std::string>& args, CommandStreams io, std::atomic<bool>& interrupted,
                    const host::HostOptions& hostOptions) {
  try {
    return Command(io, interrupted, hostOptions).run(args);
  } catch (const UsageError& e) {
    io.err << "sheetwise-batch: " << e.what() << '\n';
  } catch (const rules::RuleFileError& e) {
    io.err << "sheetwise-batch: " << e.what() << '\n';
    if (e.line > 0 || !e.candidates.empty()) {
      io.err << Tr("(--encoding NAME reads the rule file in the encoding named: utf-8, gb18030, big5, shift-jis, "
                   "euc-kr, ...)")
             << '\n';
    }
  }
  return kExitUsage;
}

}  // namespace sheetwise::batch

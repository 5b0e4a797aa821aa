#include "batch/ParallelRun.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "extract/ExtractionRun.h"
#include "host/SafeStore.h"

namespace sheetwise::batch {
namespace {

// Outcomes by queue position, filled by the workers, taken in order; only
// the outcomes not yet taken are held, however long the queue.
class OutcomeBoard {
 public:

  void put(size_t index, FileOutcome outcome) {
    std::lock_guard lock(mutex_);
    outcomes_.insert_or_assign(index, std::move(outcome));
    changed_.notify_all();
  }
  // A worker gave up: positions from index on will not come.
  void fail(size_t index, std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (index < firstMissing_) {
      firstMissing_ = index;
      error_ = error;
    }
    changed_.notify_all();
  }
  void finishWorker() {
    std::lock_guard lock(mutex_);
    ++finishedWorkers_;
    changed_.notify_all();
  }
  // The outcome at index, or none once it can no longer come.
  std::optional<FileOutcome> take(size_t index, int workers) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
      return outcomes_.contains(index) || index >= firstMissing_ || finishedWorkers_ == workers;
    });
    auto taken = outcomes_.extract(index);
    if (taken.empty()) return std::nullopt;
    return std::move(taken.mapped());
  }
  std::exception_ptr error() {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<size_t, FileOutcome> outcomes_;
  size_t firstMissing_ = SIZE_MAX;
  std::exception_ptr error_;
  int finishedWorkers_ = 0;
};

// One office per worker; each file's log entries are collected for the caller,
// which writes the run's log in queue order.
class Worker {
 public:
  Worker(const RunSettings& settings, const ParallelRunOptions& options)
      : settings_(settings), extract_(options.extract), office_(options.host) {}

  FileOutcome process(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    CollectedLog log;
    FileOutcome outcome;
    const unsigned officesLost = office_.officesLost();
    bool failed = false;
    if (extract_) {
      outcome.records = extract::ExtractionRun(office_, log).ExtractWorkbook(path, settings_.rules);
      failed = !log.entries().empty();
    } else {
      outcome.result = WorkbookEngine(office_, log).ProcessWorkbook(path, settings_);
      failed = outcome.result.outcome == Outcome::Failed;
    }
    // An office lost during the workbook (crashed, hung) may not be lost on
    // another try; one ended at its memory limit will be.
    const bool officeLost = office_.officesLost() != officesLost && !outcome.result.lasting;
    outcome.temporary = failed && (outcome.result.temporary || officeLost);
    outcome.logEntries = log.entries();
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
  }

 private:
  const RunSettings& settings_;
  bool extract_;
  host::LibreOfficeHost office_;
};

}  // namespace

void RunInParallel(const RunSettings& settings, const WorkbookPaths& queue,
                   const ParallelRunOptions& options,
                   const std::function<void(size_t, const FileOutcome&)>& emit) {
  if (queue.empty()) return;
  const int jobs = std::max(1, std::min<int>(options.jobs, static_cast<int>(queue.size())));
  OutcomeBoard board;
  std::atomic<size_t> next{0};
  std::vector<std::jthread> workers;
  for (int j = 0; j < jobs; ++j) {
    workers.emplace_back([&] {
      const host::SaveFolderReuse reuse;  // outlives the worker's saves, not the run
      Worker worker(settings, options);
      size_t index = 0;
      while ((!options.stop || !*options.stop) && (index = next++) < queue.size()) {
        try {
          board.put(index, worker.process(queue[index]));
        } catch (...) {
          board.fail(index, std::current_exception());
          break;
        }
      }
      board.finishWorker();
    });
  }
  for (size_t index = 0; index < queue.size(); ++index) {
    const auto outcome = board.take(index, jobs);
    if (!outcome) break;
    emit(index, *outcome);
  }
  if (const auto error = board.error()) {
    next = queue.size();
    workers.clear();
    std::rethrow_exception(error);
  }
}

}  // namespace sheetwise::batch

// The batch command's memory and time on very large trees: a tree of N empty
// workbooks (folders of 1000) under /tmp, and sheetwise-batch --dry-run over
// it plain, with --shard 1/8, and with --resume from a report of N rows done
// under the same settings. Printed per run: seconds and peak resident memory
// (the child's maximum RSS), in all and per workbook.
//
//   bench_scale [--binary PATH]... [N]...
//
// N defaults to 100000 and 1000000; each --binary is measured in turn (the
// one built beside the benchmark when none is given), on the same tree. The
// tree is made once per N and removed afterwards.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "cli/Resume.h"
#include "cli/RunReport.h"
#include "rules/RuleFile.h"

namespace fs = std::filesystem;
using namespace sheetwise;

namespace {

constexpr int kPerFolder = 1000;

std::string FolderName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "部门%04d", index);
  return name;
}

std::string WorkbookName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "月报-%07d.xls", index);
  return name;
}

// N empty workbooks, kPerFolder to a folder.
void MakeTree(const fs::path& source, int count) {
  for (int i = 0; i < count; ++i) {
    const fs::path folder = source / FolderName(i / kPerFolder);
    if (i % kPerFolder == 0) fs::create_directories(folder);
    std::ofstream(folder / WorkbookName(i));
  }
}

std::vector<std::string> Arguments(const fs::path& root) {
  return {"--source", (root / "src").string(), "--rules", (root / "rules.txt").string(),
          "--save", (root / "out").string(), "--log", (root / "log").string(), "--dry-run"};
}

// A report of every workbook done under the run's digest; their copies do
// not exist, so each is queued again after its row is looked up.
void MakeReport(const fs::path& root, int count, const fs::path& report) {
  const auto options = batch::ParseBatchOptions(Arguments(root));
  const auto settings = batch::RunSettingsFor(options, rules::LoadRuleFile(root / "rules.txt", "").rules);
  const std::string digest = batch::RunDigest(settings, false);
  batch::RunReport rows(report);
  for (int i = 0; i < count; ++i) {
    const std::string relative = FolderName(i / kPerFolder) + "/" + WorkbookName(i);
    rows.add({(root / "src" / relative).string(), batch::ReportOutcome::Processed,
              (root / "out" / relative).string(), "", {}, 0.8, digest, "2026-12-08 10:00:00",
              batch::FileStamp{0, 1765100000, 120000000}, std::string(64, 'a')});
  }
  rows.close();
}

struct Figures {
  double seconds = 0;
  long peakKb = 0;
  int status = -1;
};

Figures Measure(const std::string& binary, const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

void Print(const std::string& binary, const char* run, int count, const Figures& f) {
  std::printf("%-40s %-16s %8d  %7.1f s  %7.1f MB  %6.0f B/workbook  exit %d\n", binary.c_str(), run, count, f.seconds,
              f.peakKb / 1024.0, f.peakKb * 1024.0 / count, f.status);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> binaries;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--binary" && i + 1 < argc) {
      binaries.push_back(argv[++i]);
    } else {
      counts.push_back(std::atoi(argv[i]));
    }
  }
  if (binaries.empty()) binaries.push_back(SHEETWISE_BATCH_BINARY);
  if (counts.empty()) counts = {100000, 1000000};
  const fs::path root = fs::path("/tmp") / ("sheetwise-scale-" + std::to_string(::getpid()));
  for (const int count : counts) {
    fs::create_directories(root);
    std::ofstream(root / "rules.txt") << "{插入行}|正行|1\n";
    auto start = std::chrono::steady_clock::now();
    MakeTree(root / "src", count);
    MakeReport(root, count, root / "report.csv");
    std::printf("%d workbooks and a report of as many rows made in %.1f s\n", count,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::fflush(stdout);  // before the children inherit what is buffered
    const auto args = Arguments(root);
    auto shard = args;
    shard.insert(shard.end(), {"--shard", "1/8"});
    auto resume = args;
    resume.insert(resume.end(), {"--resume", (root / "report.csv").string()});
    for (const auto& binary : binaries) {
      Print(binary, "--dry-run", count, Measure(binary, args));
      Print(binary, "--shard 1/8", count, Measure(binary, shard));
      Print(binary, "--resume", count, Measure(binary, resume));
    }
    start = std::chrono::steady_clock::now();
    fs::remove_all(root);
    std::printf("removed in %.1f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return 0;
}

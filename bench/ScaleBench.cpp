// The batch command's memory and time on very large trees: a tree of N empty
// workbooks (folders of 1000) under /tmp, and sheetwise-batch --dry-run over
// it plain, with --shard 1/8, and with --resume from a report of N rows done
// under the same settings (saving copies: none is done; in place: all are). Printed per run: seconds and peak resident memory
// (the child's maximum RSS), in all and per workbook, and the lines and a
// hash of what it wrote, so that two builds' runs can be told the same.
//
//   bench_scale [--binary PATH]... [N]...
//
// N defaults to 100000 and 1000000; each --binary is measured in turn (the
// one built beside the benchmark when none is given), on the same tree. The
// tree is made once per N and removed afterwards.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Saving copies into root/out, or in place.
std::vector<std::string> Arguments(const fs::path& root, bool inPlace) {
  std::vector<std::string> args{"--source", (root / "src").string(), "--rules", (root / "rules.txt").string(),
                                "--log",    (root / "log").string(),  "--dry-run"};
  if (inPlace) {
    args.insert(args.end(), {"--in-place", "--report", (root / "in-place.csv").string()});
  } else {
    args.insert(args.end(), {"--save", (root / "out").string()});
  }
  return args;
}

// A report of every workbook done under the run's digest. Saving copies,
// the copies do not exist: each workbook is queued again after its row is
// looked up. In place, every workbook still holds what the report says (the
// empty file): each is taken out of the queue as done.
void MakeReport(const fs::path& root, int count, bool inPlace, const fs::path& report) {
  const auto options = batch::ParseBatchOptions(Arguments(root, inPlace));
  const auto settings = batch::RunSettingsFor(options, rules::LoadRuleFile(root / "rules.txt", "").rules);
  const std::string digest = batch::RunDigest(settings, false);
  const std::string emptyFile = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  std::ofstream rows(report, std::ios::binary);
  rows << batch::kReportCsvHeader << "\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string relative = FolderName(i / kPerFolder) + "/" + WorkbookName(i);
    const std::string source = (root / "src" / relative).string();
    rows << batch::CsvReportRow({source, batch::ReportOutcome::Processed,
                                 inPlace ? source : (root / "out" / relative).string(), "", {}, 0.8, digest,
                                 "2026-12-08 10:00:00", batch::FileStamp{0, 1765100000, 120000000},
                                 inPlace ? emptyFile : std::string(64, 'a')});
  }
}

struct Figures {
  double seconds = 0;
  long peakKb = 0;
  int status = -1;
  std::string output;  // lines and a hash of standard output and error, to compare runs by
};

// Lines and a hash of the file's content.
std::string Summary(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char summary[64];
  std::snprintf(summary, sizeof summary, "%zu lines %016zx", static_cast<size_t>(std::count(text.begin(), text.end(), '\n')),
                std::hash<std::string>{}(text));
  return summary;
}

Figures Measure(const std::string& binary, const std::vector<std::string>& args, const fs::path& root) {
  const fs::path out = root / "stdout", err = root / "stderr";
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::freopen(out.c_str(), "w", stdout);
    std::freopen(err.c_str(), "w", stderr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          Summary(out) + ", " + Summary(err)};
}

void Print(const std::string& binary, const char* run, int count, const Figures& f) {
  std::printf("%-40s %-18s %8d  %7.1f s  %7.1f MB  %6.0f B/workbook  exit %d  output %s\n", binary.c_str(), run,
              count, f.seconds, f.peakKb / 1024.0, f.peakKb * 1024.0 / count, f.status, f.output.c_str());
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
    MakeReport(root, count, false, root / "report.csv");
    MakeReport(root, count, true, root / "in-place.csv");
    std::printf("%d workbooks and two reports of as many rows made in %.1f s\n", count,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::fflush(stdout);  // before the children inherit what is buffered
    const auto args = Arguments(root, false);
    auto shard = args;
    shard.insert(shard.end(), {"--shard", "1/8"});
    auto resume = args;
    resume.insert(resume.end(), {"--resume", (root / "report.csv").string()});
    auto resumeInPlace = Arguments(root, true);
    resumeInPlace.insert(resumeInPlace.end(), {"--resume", (root / "in-place.csv").string()});
    for (const auto& binary : binaries) {
      Print(binary, "--dry-run", count, Measure(binary, args, root));
      Print(binary, "--shard 1/8", count, Measure(binary, shard, root));
      Print(binary, "--resume", count, Measure(binary, resume, root));
      Print(binary, "--resume in place", count, Measure(binary, resumeInPlace, root));
    }
    start = std::chrono::steady_clock::now();
    fs::remove_all(root);
    std::printf("removed in %.1f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return 0;
}

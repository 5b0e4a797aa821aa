// Office start time with a kept profile; then, on the same workbooks in one
// run, a bare open + save-as against open + ten rules of mixed kinds + save-as.
//
//   bench_rules WORKBOOK... (or a folder of .xls files)

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/RuleOperations.h"
#include "host/LibreOfficeHost.h"

namespace fs = std::filesystem;
using namespace sheetwise;
using Clock = std::chrono::steady_clock;

namespace {

const std::vector<std::string> kTenRules = {
    "2|B|bench",          "{插入行}|正行|5",     "{删除行}|正行|7", "{合并}|D2|E3",     "{清空}|A10|C12",
    "{行距}|3|30",        "{列距}|C|12",         "4|A|42",          "{插入行}|正行|2", "6|C|=1+2",
};

Clock::duration g_ruleTime[10] = {};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::vector<std::string> Inputs(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& e : fs::directory_iterator(argv[i])) {
        if (e.path().extension() == ".xls") files.push_back(e.path().string());
      }
    } else {
      files.emplace_back(argv[i]);
    }
  }
  return files;
}

double Loop(host::LibreOfficeHost& office, const std::vector<std::string>& files, const fs::path& out,
            bool withRules) {
  const auto start = Clock::now();
  int n = 0;
  for (const auto& file : files) {
    auto book = office.open(file, host::OpenMode::Edit);
    if (withRules) {
      auto active = book->activeSheet();
      auto named = book->worksheetAt(1);
      const std::string name = named->name();
      const batch::RuleTarget target{*book, *active, *named, name};
      const auto parsed = rules::ParseRules(kTenRules, false);
      for (size_t i = 0; i < parsed.size(); ++i) {
        const auto t = Clock::now();
        batch::ApplyRule(parsed[i], target);
        g_ruleTime[i] += Clock::now() - t;
      }
    }
    book->saveAs((out / (std::to_string(n++) + ".xls")).string());
  }
  return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  // A write to an office that has just died fails instead of ending the run.
  ::signal(SIGPIPE, SIG_IGN);
  const auto files = Inputs(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "usage: bench_rules WORKBOOK... | FOLDER\n");
    return 2;
  }
  const fs::path out = fs::temp_directory_path() / "sheetwise-bench-rules";
  fs::create_directories(out);
  host::LibreOfficeHost office;
  office.start();  // a first start may create the profile
  office.shutdown();
  auto t0 = Clock::now();
  office.start();
  const double startTime = Seconds(Clock::now() - t0);

  Loop(office, files, out, true);  // warm-up: caches, column-width probe
  for (auto& t : g_ruleTime) t = {};
  double bare = 0;
  double ruled = 0;
  for (int round = 0; round < 3; ++round) {  // interleaved so drift hits both
    bare += Loop(office, files, out, false);
    ruled += Loop(office, files, out, true);
  }
  const double perBare = bare / 3 / files.size() * 1000;
  const double perRuled = ruled / 3 / files.size() * 1000;
  std::printf("office start (kept profile): %.2f s\n", startTime);
  std::printf("workbooks: %zu\n", files.size());
  std::printf("bare open + save-as:        %.1f ms/workbook\n", perBare);
  std::printf("open + 10 rules + save-as:  %.1f ms/workbook\n", perRuled);
  std::printf("rules add: %.1f%% (goal: under 30%%)\n", (perRuled / perBare - 1) * 100);
  if (std::getenv("BENCH_RULE_TIMES")) {
    for (size_t i = 0; i < kTenRules.size(); ++i) {
      std::printf("  %-16s %.2f ms\n", kTenRules[i].c_str(), Seconds(g_ruleTime[i]) * 1000 / (3 * files.size()));
    }
  }
  fs::remove_all(out);
  return 0;
}

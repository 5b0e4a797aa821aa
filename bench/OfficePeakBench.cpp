// The office's peak memory and processor time on each workbook: a new office
// for each, which opens it, writes one cell if asked and saves a copy.
//
//   bench_office_peak [--cell ROW COLUMN TEXT] WORKBOOK...
//
// ROW and COLUMN count from 1 (1048576 2 x writes B1048576). The office runs
// under the default memory limit of one office on this machine. Printed for
// each: seconds, the office's processor seconds, its peak address space and
// peak resident memory (and the same figures of the office just started).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "host/LibreOfficeHost.h"
#include "host/ProcFs.h"

namespace fs = std::filesystem;
using namespace sheetwise;

namespace {

struct Cell {
  int row = 0, column = 0;
  std::string text;
};

struct Figures {
  double processorSeconds = 0;
  long long peakAddressSpaceMb = 0, peakResidentMb = 0;
};

Figures Read(pid_t office) {
  const auto cpu = host::ProcessorTime(office).value_or(std::chrono::milliseconds(0));
  return {static_cast<double>(cpu.count()) / 1000, host::PeakAddressSpaceBytes(office) >> 20,
          host::PeakResidentBytes(office) >> 20};
}

void Measure(const std::string& path, const std::optional<Cell>& cell, const fs::path& outDir) {
  host::LibreOfficeHost office;
  office.start();
  const pid_t pid = office.officePid();
  const Figures started = Read(pid);
  const auto begin = std::chrono::steady_clock::now();
  std::string outcome = "saved";
  try {
    auto book = office.open(path, host::OpenMode::Edit);
    if (cell) book->activeSheet()->setCell(cell->row, cell->column, cell->text);
    book->saveAs((outDir / fs::path(path).filename()).string());
  } catch (const std::exception& e) {
    outcome = e.what();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const Figures done = office.officePid() == pid ? Read(pid) : Figures{};
  std::printf("%s\n  %.1f s, office %.1f processor s; peak %lld MB address space, %lld MB resident "
              "(started: %lld MB, %lld MB); %s\n",
              path.c_str(), seconds, done.processorSeconds - started.processorSeconds, done.peakAddressSpaceMb,
              done.peakResidentMb, started.peakAddressSpaceMb, started.peakResidentMb, outcome.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Cell> cell;
  int first = 1;
  if (argc > 4 && std::string(argv[1]) == "--cell") {
    cell = Cell{std::atoi(argv[2]), std::atoi(argv[3]), argv[4]};
    first = 5;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: bench_office_peak [--cell ROW COLUMN TEXT] WORKBOOK...\n");
    return 2;
  }
  const fs::path outDir = fs::temp_directory_path() / ("sheetwise-bench-peak-" + std::to_string(::getpid()));
  fs::create_directories(outDir);
  for (int i = first; i < argc; ++i) Measure(argv[i], cell, outDir);
  fs::remove_all(outDir);
  return 0;
}

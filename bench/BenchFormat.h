#pragma once
// The file format a benchmark run works in: the report workbooks are written
// in it, the floor loads and stores it with its own filter, and the batch
// command is asked for its kind. Chosen with BENCH_FORMAT (xls, the default;
// xlsx; ods).

#include <string>
#include <vector>

namespace sheetwise::bench {

struct BenchFormat {
  std::string name;          // as BENCH_FORMAT and the batch command's --types name it
  std::string extension;     // ".xls"
  std::string exportFilter;  // the office's filter that writes the format
  double timeGoal;           // --jobs 1 (the check on) against the floor's time; 0: none, reported only
  // What the batch command is told to take besides its defaults (--types), empty for .xls.
  std::vector<std::string> batchArguments() const;
  // The office converter's target ("xls:MS Excel 97").
  std::string converterTarget() const;
};

// The format BENCH_FORMAT names; throws std::invalid_argument for another name.
const BenchFormat& FormatFromEnvironment();

}  // namespace sheetwise::bench

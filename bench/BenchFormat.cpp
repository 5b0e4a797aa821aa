#include "BenchFormat.h"

#include <cstdlib>
#include <stdexcept>

namespace sheetwise::bench {
namespace {

const BenchFormat kFormats[] = {
    {"xls", ".xls", "MS Excel 97", 1.15},
    {"xlsx", ".xlsx", "Calc MS Excel 2007 XML", 1.3},
    {"ods", ".ods", "calc8", 0},
};

}  // namespace

std::vector<std::string> BenchFormat::batchArguments() const {
  if (name == "xls") return {};
  return {"--types", name};
}

std::string BenchFormat::converterTarget() const { return extension.substr(1) + ":" + exportFilter; }

const BenchFormat& FormatFromEnvironment() {
  const char* value = std::getenv("BENCH_FORMAT");
  const std::string wanted = value && *value ? value : "xls";
  for (const auto& format : kFormats) {
    if (format.name == wanted) return format;
  }
  throw std::invalid_argument("BENCH_FORMAT must be xls, xlsx or ods, not \"" + wanted + "\"");
}

}  // namespace sheetwise::bench

#include "host/MemoryFigures.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

namespace sheetwise::host {
namespace {

constexpr std::uint64_t kBytesPerKiB = 1024;

// The number after "Name:" on the line that starts with it, in bytes.
std::optional<std::uint64_t> FigureBytes(std::string_view text, std::string_view name) {
  const std::string key = "\n" + std::string(name) + ":";
  const std::string padded = "\n" + std::string(text);
  const auto at = padded.find(key);
  if (at == std::string::npos) return std::nullopt;
  std::string_view rest = std::string_view(padded).substr(at + key.size());
  rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
  std::uint64_t kib = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), kib);
  if (error != std::errc{} || end == rest.data()) return std::nullopt;
  if (kib > std::numeric_limits<std::uint64_t>::max() / kBytesPerKiB) return std::nullopt;
  return kib * kBytesPerKiB;
}

}  // namespace

MemoryStatus ParseMeminfo(std::string_view text) {
  const auto total = FigureBytes(text, "MemTotal");
  const auto available = FigureBytes(text, "MemAvailable");
  if (!total || !available) return {};
  return {*total, *available};
}

MemoryStatus ProcMemoryFigures::read() {
  std::ifstream file("/proc/meminfo");
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMeminfo(text.str());
}

}  // namespace sheetwise::host

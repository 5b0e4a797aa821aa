#include "ui/ReasonRows.h"

#include <string_view>
#include <tuple>
#include <utility>

#include "batch/LogEntries.h"
#include "ui/EntryKinds.h"

namespace sheetwise::ui {
namespace {

constexpr std::string_view kKindEnd = "：";

// The entry's kind and path: the path stands between the file markers, or,
// in an entry without them ("处理异常：" + path), after the kind's colon.
std::pair<std::string, std::string> KindAndPath(const std::string& text) {
  if (const size_t start = text.find(batch::kFileStart); start != std::string::npos) {
    return {text.substr(0, start), batch::LoggedPath(text)};
  }
  if (const size_t colon = text.find(kKindEnd); colon != std::string::npos) {
    return {text.substr(0, colon), text.substr(colon + kKindEnd.size())};
  }
  return {text, ""};
}

}  // namespace

ReasonRow ReasonRowOf(const batch::LogEntry& entry) {
  ReasonRow row;
  std::tie(row.kind, row.path) = KindAndPath(entry.text);
  if (row.kind.ends_with(kKindEnd)) row.kind.resize(row.kind.size() - kKindEnd.size());
  const size_t slash = row.path.rfind('/');
  row.folder = slash == std::string::npos ? "" : row.path.substr(0, slash + 1);
  row.name = row.path.substr(row.folder.size());
  const EntryKind kind = entry.cause == batch::EntryCause::Unknown ? EntryKind{row.kind, ""} : KindOf(entry.cause);
  row.problem = kind.kind;
  row.hint = kind.hint;
  row.reason = entry.reason;
  for (const auto& difference : entry.differences) row.differences += (row.differences.empty() ? "" : "\n") + difference;
  return row;
}

std::string ShownLogLine(const batch::LogEntry& entry, const std::string& when) {
  const ReasonRow row = ReasonRowOf(entry);
  const std::string what = row.name.empty() ? entry.text : row.problem + "  " + row.name;
  return when.empty() ? what : when + "  " + what;
}

}  // namespace sheetwise::ui

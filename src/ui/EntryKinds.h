#pragma once
// What the window says about an error-log entry beside the log's own category:
// the kind of problem in plain words and one line of what to do about it. And
// how a run's workbooks add up: each counts once, as processed or as the
// count of the entry it got.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "batch/RunLog.h"

namespace sheetwise::ui {

struct EntryKind {
  std::string kind;  // "文件损坏或无法打开", "规则失败", ...
  std::string hint;  // what to do; says whether the source or a copy was written
};

EntryKind KindOf(batch::EntryCause cause);

// The counts of a run, in the order the window shows them.
enum class RunCount { Processed, Differs, Unchecked, Vetoed, Refused, Failed };
inline constexpr std::size_t kRunCounts = 6;
inline constexpr const char* kRunCountNames[kRunCounts] = {"已处理", "有差异", "未校验", "否决", "拒绝", "失败"};

RunCount CountOf(batch::EntryCause cause);

struct RunTally {
  bool started = false;        // a run has begun since the window opened
  std::size_t firstEntry = 0;  // the run's first error-log entry
  int files = 0;               // workbooks handed out so far
  std::array<int, kRunCounts> counts{};

  // Counts one workbook by the entries it added (none: processed).
  void addWorkbook(const std::vector<batch::LogEntry>& entries, std::size_t entriesBefore);
};

// "共 18 个文件：已处理 12，否决 1，拒绝 2，失败 3"; zero counts are left
// out unless all is true. "" before the first run. mark, when given, writes
// each count ("否决 1") as the caller shows it, from the count and its text.
using CountMark = std::function<std::string(RunCount count, const std::string& text)>;
std::string TallyText(const RunTally& tally, bool all, const CountMark& mark = {});

}  // namespace sheetwise::ui

#include "cli/SchedulerShard.h"

#include <charconv>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace {

// One scheduler's answer: the share (1 to count) and what it was read from.
struct SchedulerIndex {
  std::string variable;
  int index = 1;
};

// The variable's whole number, none when it is unset.
std::optional<long long> WholeNumber(const host::Environment& environment, const std::string& name) {
  const auto text = environment.variable(name);
  if (!text) return std::nullopt;
  long long value = -1;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  const bool whole = end == text->data() + text->size();
  if (ec == std::errc::result_out_of_range && whole) {
    throw UsageError(Tr("--shard auto: %s is %s, a number too large for a task of an array job", {name, *text}));
  }
  if (ec != std::errc() || !whole || value < 0) {
    throw UsageError(Tr("--shard auto: %s is \"%s\", not a whole number", {name, *text}));
  }
  return value;
}

std::optional<SchedulerIndex> FromZeroBased(const host::Environment& environment, const std::string& name, int count) {
  const auto value = WholeNumber(environment, name);
  if (!value) return std::nullopt;
  if (*value >= count) {
    throw UsageError(Tr("--shard auto/%s: %s is %s, but the tasks of %s shares are numbered 0 to %s",
                        {std::to_string(count), name, std::to_string(*value), std::to_string(count),
                         std::to_string(count - 1)}));
  }
  return SchedulerIndex{name, static_cast<int>(*value) + 1};
}

// Slurm numbers an array's tasks as the script says (--array=1-8, 0-7) and a
// task sent again keeps its number, so the share follows the number alone.
// Two tasks of one array may not take one share: the array has to fit.
std::optional<SchedulerIndex> FromSlurm(const host::Environment& environment, int count) {
  const auto id = WholeNumber(environment, "SLURM_ARRAY_TASK_ID");
  if (!id) return std::nullopt;
  const auto tasks = WholeNumber(environment, "SLURM_ARRAY_TASK_COUNT");
  if (tasks && *tasks > count) {
    throw UsageError(Tr("--shard auto/%s: the Slurm job array has %s tasks (SLURM_ARRAY_TASK_COUNT), more than its %s "
                        "shares",
                        {std::to_string(count), std::to_string(*tasks), std::to_string(count)}));
  }
  const auto first = WholeNumber(environment, "SLURM_ARRAY_TASK_MIN");
  const auto last = WholeNumber(environment, "SLURM_ARRAY_TASK_MAX");
  if (first && last && *last >= *first && *last - *first >= count) {
    throw UsageError(Tr("--shard auto/%s: the Slurm job array's tasks run from %s to %s (SLURM_ARRAY_TASK_MIN, "
                        "SLURM_ARRAY_TASK_MAX), so two of them would take one of its %s shares; number them 1 to %s",
                        {std::to_string(count), std::to_string(*first), std::to_string(*last), std::to_string(count),
                         std::to_string(count)}));
  }
  return SchedulerIndex{"SLURM_ARRAY_TASK_ID", static_cast<int>(*id % count) + 1};
}

}  // namespace

ShardChoice ShardFromScheduler(std::optional<int> count, const host::Environment& environment) {
  if (!count) {
    throw UsageError(
        Tr("--shard auto needs the number of shares: give --shard auto/N, N the number of tasks of the whole array "
           "(a task sent again alone cannot tell it)"));
  }
  std::vector<SchedulerIndex> found;
  for (const auto& index : {FromZeroBased(environment, "JOB_COMPLETION_INDEX", *count),
                            FromZeroBased(environment, "AWS_BATCH_JOB_ARRAY_INDEX", *count),
                            FromSlurm(environment, *count)}) {
    if (index) found.push_back(*index);
  }
  if (found.empty()) {
    throw UsageError(Tr("--shard auto/%s found no task index: none of JOB_COMPLETION_INDEX (Kubernetes Indexed Job), "
                        "AWS_BATCH_JOB_ARRAY_INDEX (AWS Batch array job) and SLURM_ARRAY_TASK_ID (Slurm job array) "
                        "is set",
                        {std::to_string(*count)}));
  }
  for (const auto& other : found) {
    if (other.index != found.front().index) {
      throw UsageError(Tr("--shard auto: %s gives shard %s but %s gives shard %s; unset the one that does not belong",
                          {found.front().variable, std::to_string(found.front().index), other.variable,
                           std::to_string(other.index)}));
    }
  }
  return {found.front().index, *count};
}

}  // namespace sheetwise::batch

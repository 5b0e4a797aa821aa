#include "cli/SchedulerShard.h"

#include <charconv>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace {

// One scheduler's answer: the shard (1-based) and, for Slurm, the array's size.
struct SchedulerIndex {
  std::string variable;  // what it was read from, as shown in messages
  long long index = 1;
  std::optional<int> count;
};

std::optional<long long> WholeNumber(const host::Environment& environment, const std::string& name) {
  const auto text = environment.variable(name);
  if (!text) return std::nullopt;
  long long value = -1;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (ec != std::errc() || end != text->data() + text->size() || value < 0) {
    throw UsageError(Tr("--shard auto: %s is \"%s\", not a whole number", {name, *text}));
  }
  return value;
}

long long Required(const host::Environment& environment, const std::string& name) {
  const auto value = WholeNumber(environment, name);
  if (!value) throw UsageError(Tr("--shard auto: SLURM_ARRAY_TASK_ID is set but %s is not", {name}));
  return *value;
}

std::optional<SchedulerIndex> FromZeroBased(const host::Environment& environment, const std::string& name) {
  const auto value = WholeNumber(environment, name);
  if (!value) return std::nullopt;
  return SchedulerIndex{name, *value + 1, std::nullopt};
}

std::optional<SchedulerIndex> FromSlurm(const host::Environment& environment) {
  const auto id = WholeNumber(environment, "SLURM_ARRAY_TASK_ID");
  if (!id) return std::nullopt;
  const long long min = Required(environment, "SLURM_ARRAY_TASK_MIN");
  const long long count = Required(environment, "SLURM_ARRAY_TASK_COUNT");
  const long long step = WholeNumber(environment, "SLURM_ARRAY_TASK_STEP").value_or(1);
  if (*id < min || step < 1 || (*id - min) % step != 0) {
    throw UsageError(Tr("--shard auto: task %s of a Slurm job array that starts at %s in steps of %s is not one of "
                        "its tasks; give --shard K/N",
                        {std::to_string(*id), std::to_string(min), std::to_string(step)}));
  }
  return SchedulerIndex{"SLURM_ARRAY_TASK_ID", (*id - min) / step + 1, static_cast<int>(count)};
}

ShardChoice Checked(const SchedulerIndex& found, int count) {
  if (found.index < 1 || found.index > count) {
    throw UsageError(Tr("--shard auto: %s gives shard %s of %s, which does not exist",
                        {found.variable, std::to_string(found.index), std::to_string(count)}));
  }
  return {static_cast<int>(found.index), count};
}

}  // namespace

ShardChoice ShardFromScheduler(std::optional<int> count, const host::Environment& environment) {
  const auto slurm = FromSlurm(environment);
  if (!count) {
    if (!slurm) {
      throw UsageError(
          Tr("--shard auto takes its shard from a Slurm job array, but SLURM_ARRAY_TASK_ID is not set; under a "
             "Kubernetes Indexed Job or an AWS Batch array job give --shard auto/N"));
    }
    return Checked(*slurm, *slurm->count);
  }
  std::vector<SchedulerIndex> found;
  for (const auto& index : {FromZeroBased(environment, "JOB_COMPLETION_INDEX"),
                            FromZeroBased(environment, "AWS_BATCH_JOB_ARRAY_INDEX"), slurm}) {
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
  if (slurm && *slurm->count != *count) {
    throw UsageError(Tr("--shard auto/%s: the Slurm job array has %s tasks",
                        {std::to_string(*count), std::to_string(*slurm->count)}));
  }
  return Checked(found.front(), *count);
}

}  // namespace sheetwise::batch

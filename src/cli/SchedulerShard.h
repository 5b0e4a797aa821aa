#pragma once
// "--shard auto" and "--shard auto/N": the share a batch scheduler hands a task
// of an array job, read from the variables the scheduler sets.

#include <optional>

#include "host/Environment.h"

namespace sheetwise::batch {

struct ShardChoice {
  int index = 1;  // 1 to count
  int count = 1;
};

// Without count ("auto"): a Slurm job array's task, SLURM_ARRAY_TASK_ID −
// SLURM_ARRAY_TASK_MIN + 1 (in steps of SLURM_ARRAY_TASK_STEP) of
// SLURM_ARRAY_TASK_COUNT. With count ("auto/N"): the index of a Kubernetes
// Indexed Job (JOB_COMPLETION_INDEX), an AWS Batch array job
// (AWS_BATCH_JOB_ARRAY_INDEX), both counted from 0, or a Slurm job array.
// Throws UsageError naming what was looked for when none is set, when two
// disagree, or when the index does not fit the count.
ShardChoice ShardFromScheduler(std::optional<int> count, const host::Environment& environment);

}  // namespace sheetwise::batch

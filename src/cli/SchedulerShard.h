#pragma once
// "--shard auto/N": the share a batch scheduler hands a task of an array job,
// read from the variables the scheduler sets. A task sent again alone (a
// retried pod, "sbatch --array=3") takes the share it had in the whole array.

#include <optional>

#include "host/Environment.h"

namespace sheetwise::batch {

struct ShardChoice {
  int index = 1;  // 1 to count
  int count = 1;
};

// The share of this task among count ("auto/N"): the index of a Kubernetes
// Indexed Job (JOB_COMPLETION_INDEX) or an AWS Batch array job
// (AWS_BATCH_JOB_ARRAY_INDEX), both counted from 0, plus 1; or a Slurm job
// array's SLURM_ARRAY_TASK_ID modulo count, plus 1, the array's tasks
// (SLURM_ARRAY_TASK_MIN to SLURM_ARRAY_TASK_MAX, SLURM_ARRAY_TASK_COUNT)
// fitting in count shares. Without count ("auto") nothing tells the whole
// array's size (a task sent again alone sees an array of one), so it is
// refused. Throws UsageError naming the variable when none is set, when two
// disagree, or when a number is no whole number, too large or does not fit
// the count.
ShardChoice ShardFromScheduler(std::optional<int> count, const host::Environment& environment);

}  // namespace sheetwise::batch

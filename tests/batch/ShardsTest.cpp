// Shares of a tree decided by each file's relative path, and the share a batch
// scheduler's array task takes.

#include "batch/Shards.h"

#include <gtest/gtest.h>

#include <set>

#include "ScriptedPorts.h"
#include "cli/BatchOptions.h"
#include "cli/SchedulerShard.h"

namespace sheetwise::batch {
namespace {
using Paths = std::vector<std::string>;

// Every share of a 40-file tree, before and after one more file: each file
// lies in exactly one share, and only the new file is new anywhere.
TEST(Shards, AnAddedFileMovesNoOtherAndTheSharesCoverTheTree) {
  const std::string root = "/data/门店/";
  Paths tree;
  for (int i = 0; i < 40; ++i) tree.push_back(root + "区" + std::to_string(i % 4) + "/报表" + std::to_string(i) + ".xls");
  Paths grown = tree;
  const std::string added = root + "区1/新报表.xls";
  grown.insert(grown.begin() + 7, added);
  for (const int count : {1, 3, 12}) {
    std::multiset<std::string> covered;
    for (int index = 1; index <= count; ++index) {
      const Paths before = TakeShare(tree, root, index, count);
      Paths after = TakeShare(grown, root, index, count);
      covered.insert(after.begin(), after.end());
      std::erase(after, added);
      EXPECT_EQ(after, before) << index << "/" << count;
    }
    EXPECT_EQ(covered, std::multiset<std::string>(grown.begin(), grown.end())) << count;
  }
  // The share is the relative path's: another machine's mount point agrees.
  EXPECT_EQ(TakeShare({"/mnt/x/区1/新报表.xls"}, "/mnt/x/", ShareOf("区1/新报表.xls", 12), 12).size(), 1u);
}

// The variables as each scheduler sets them for one task of an array.
TEST(SchedulerShard, EachSchedulersIndexAndTheRefusals) {
  using Variables = std::map<std::string, std::string>;
  const Variables slurm = {{"SLURM_ARRAY_JOB_ID", "8812"},  {"SLURM_ARRAY_TASK_ID", "5"},
                           {"SLURM_ARRAY_TASK_MIN", "4"},   {"SLURM_ARRAY_TASK_MAX", "6"},
                           {"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_ARRAY_TASK_STEP", "1"}};
  const struct {
    std::optional<int> count;
    Variables variables;
    int index, shards;  // 0: refused
    std::string message;
  } cases[] = {
      {std::nullopt, slurm, 2, 3, ""},
      {3, slurm, 2, 3, ""},
      {std::nullopt, {{"SLURM_ARRAY_TASK_ID", "20"}, {"SLURM_ARRAY_TASK_MIN", "0"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
                      {"SLURM_ARRAY_TASK_STEP", "10"}}, 3, 4, ""},
      {4, {{"JOB_COMPLETION_INDEX", "0"}, {"HOSTNAME", "sheetwise-0-x7k2q"}}, 1, 4, ""},
      {4, {{"AWS_BATCH_JOB_ARRAY_INDEX", "3"}, {"AWS_BATCH_JOB_ID", "a1b2:3"}}, 4, 4, ""},
      {4, {{"JOB_COMPLETION_INDEX", "2"}, {"AWS_BATCH_JOB_ARRAY_INDEX", "2"}}, 3, 4, ""},
      {std::nullopt, {}, 0, 0, "SLURM_ARRAY_TASK_ID is not set; under a Kubernetes Indexed Job"},
      {std::nullopt, {{"JOB_COMPLETION_INDEX", "1"}}, 0, 0, "give --shard auto/N"},
      {4, {}, 0, 0, "none of JOB_COMPLETION_INDEX (Kubernetes Indexed Job), AWS_BATCH_JOB_ARRAY_INDEX"},
      {4, {{"JOB_COMPLETION_INDEX", "1"}, {"AWS_BATCH_JOB_ARRAY_INDEX", "2"}}, 0, 0,
       "JOB_COMPLETION_INDEX gives shard 2 but AWS_BATCH_JOB_ARRAY_INDEX gives shard 3"},
      {4, slurm, 0, 0, "--shard auto/4: the Slurm job array has 3 tasks"},
      {4, {{"JOB_COMPLETION_INDEX", "4"}}, 0, 0, "JOB_COMPLETION_INDEX gives shard 5 of 4, which does not exist"},
      {4, {{"JOB_COMPLETION_INDEX", "-1"}}, 0, 0, "JOB_COMPLETION_INDEX is \"-1\", not a whole number"},
      {std::nullopt, {{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_COUNT", "3"}}, 0, 0,
       "SLURM_ARRAY_TASK_ID is set but SLURM_ARRAY_TASK_MIN is not"},
  };
  for (const auto& c : cases) {
    const std::string name = "case " + (c.message.empty() ? std::to_string(c.index) : c.message);
    const test::ScriptedEnvironment environment(c.variables);
    if (c.index == 0) {
      try {
        ShardFromScheduler(c.count, environment);
        ADD_FAILURE() << name << ": not refused";
      } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << name << ": " << e.what();
      }
      continue;
    }
    const ShardChoice shard = ShardFromScheduler(c.count, environment);
    EXPECT_EQ(shard.index, c.index) << name;
    EXPECT_EQ(shard.count, c.shards) << name;
  }
}

}  // namespace
}  // namespace sheetwise::batch

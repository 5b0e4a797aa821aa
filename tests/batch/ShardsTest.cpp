// Shares of a tree decided by each file's relative path, and the share a batch
// scheduler's array task takes.

#include "batch/Shards.h"

#include <gtest/gtest.h>

#include <set>

#include "ErrorText.h"
#include "ScriptedPorts.h"
#include "cli/BatchOptions.h"
#include "cli/SchedulerShard.h"

namespace sheetwise::batch {
namespace {
using Paths = std::vector<std::string>;

Paths Share(const Paths& tree, const std::string& root, int index, int count) {
  WorkbookPaths paths(tree);
  TakeShare(paths, root, index, count);
  return paths.strings();
}

// Paths kept compactly read back as given, whatever their folders' order, and keep their order when filtered.
TEST(WorkbookPaths, PathsReadBackAsGivenAndFilteredInOrder) {
  const Paths given = {"/a/1.xls", "/a/2.xls", "/a/b/3.xls", "/a/4.xls", "bare.xls", "/根/报表.xls", "/a/b/", "/5.xls"};
  WorkbookPaths paths(given);
  EXPECT_EQ(paths.strings(), given);
  EXPECT_EQ(paths.folder(2), "/a/b/");
  EXPECT_EQ(paths.name(2), "3.xls");
  EXPECT_EQ(paths.folder(4), "");
  paths.keepIf([](std::size_t i) { return i % 2 == 1; });
  EXPECT_EQ(paths.strings(), (Paths{"/a/2.xls", "/a/4.xls", "/根/报表.xls", "/5.xls"}));
}

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
      const Paths before = Share(tree, root, index, count);
      Paths after = Share(grown, root, index, count);
      covered.insert(after.begin(), after.end());
      std::erase(after, added);
      EXPECT_EQ(after, before) << index << "/" << count;
    }
    EXPECT_EQ(covered, std::multiset<std::string>(grown.begin(), grown.end())) << count;
  }
  // The share is the relative path's: another machine's mount point agrees.
  EXPECT_EQ(Share({"/mnt/x/区1/新报表.xls"}, "/mnt/x/", ShareOf("区1/新报表.xls", 12), 12).size(), 1u);
}

// The variables as each scheduler sets them for one task of an array. A Slurm task sent again alone
// (sbatch --array=3: an array of one, from 3 to 3) takes the share it had in the whole array 1-8.
TEST(SchedulerShard, EachSchedulersIndexAndTheRefusals) {
  using Variables = std::map<std::string, std::string>;
  const auto slurm = [](const std::string& id, const std::string& min, const std::string& max,
                        const std::string& count) {
    return Variables{{"SLURM_ARRAY_JOB_ID", "8812"},  {"SLURM_ARRAY_TASK_ID", id},       {"SLURM_ARRAY_TASK_MIN", min},
                     {"SLURM_ARRAY_TASK_MAX", max},   {"SLURM_ARRAY_TASK_COUNT", count}, {"SLURM_ARRAY_TASK_STEP", "1"}};
  };
  const struct {
    std::optional<int> count;
    Variables variables;
    int index;  // 0: refused
    std::string message;
  } cases[] = {
      {8, slurm("3", "1", "8", "8"), 4, ""},
      {8, slurm("3", "3", "3", "1"), 4, ""},  // the same task sent again alone
      {8, slurm("8", "3", "8", "2"), 1, ""},  // tasks 3 and 8 sent again
      {8, slurm("0", "0", "7", "8"), 1, ""},
      {4, {{"JOB_COMPLETION_INDEX", "0"}, {"HOSTNAME", "sheetwise-0-x7k2q"}}, 1, ""},
      {4, {{"AWS_BATCH_JOB_ARRAY_INDEX", "3"}, {"AWS_BATCH_JOB_ID", "a1b2:3"}}, 4, ""},
      {4, {{"JOB_COMPLETION_INDEX", "2"}, {"AWS_BATCH_JOB_ARRAY_INDEX", "2"}}, 3, ""},
      {std::nullopt, slurm("3", "1", "8", "8"), 0, "--shard auto needs the number of shares: give --shard auto/N"},
      {std::nullopt, slurm("3", "3", "3", "1"), 0, "--shard auto needs the number of shares"},
      {4, {}, 0, "none of JOB_COMPLETION_INDEX (Kubernetes Indexed Job), AWS_BATCH_JOB_ARRAY_INDEX"},
      {4, {{"JOB_COMPLETION_INDEX", "1"}, {"AWS_BATCH_JOB_ARRAY_INDEX", "2"}}, 0,
       "JOB_COMPLETION_INDEX gives shard 2 but AWS_BATCH_JOB_ARRAY_INDEX gives shard 3"},
      {4, {{"JOB_COMPLETION_INDEX", "1"}, {"SLURM_ARRAY_TASK_ID", "2"}}, 0,
       "JOB_COMPLETION_INDEX gives shard 2 but SLURM_ARRAY_TASK_ID gives shard 3"},
      {4, {{"JOB_COMPLETION_INDEX", "4"}}, 0, "JOB_COMPLETION_INDEX is 4, but the tasks of 4 shares are numbered 0 to 3"},
      {4, {{"JOB_COMPLETION_INDEX", "-1"}}, 0, "JOB_COMPLETION_INDEX is \"-1\", not a whole number"},
      {4, {{"JOB_COMPLETION_INDEX", "9223372036854775807"}}, 0, "JOB_COMPLETION_INDEX is 9223372036854775807, but"},
      {4, {{"JOB_COMPLETION_INDEX", "99999999999999999999"}}, 0,
       "JOB_COMPLETION_INDEX is 99999999999999999999, a number too large"},
      {8, slurm("3", "1", "4294967297", "4294967297"), 0,
       "the Slurm job array has 4294967297 tasks (SLURM_ARRAY_TASK_COUNT), more than its 8 shares"},
      {8, slurm("3", "1", "8", "2147483648"), 0, "has 2147483648 tasks (SLURM_ARRAY_TASK_COUNT)"},
      {8, slurm("18446744073709551616", "1", "8", "8"), 0, "SLURM_ARRAY_TASK_ID is 18446744073709551616, a number too"},
      {8, slurm("3", "1", "9223372036854775808", "8"), 0, "SLURM_ARRAY_TASK_MAX is 9223372036854775808, a number too"},
      {8, slurm("9", "1", "9", "9"), 0, "more than its 8 shares"},
      {8, slurm("9", "1", "9", "2"), 0, "tasks run from 1 to 9 (SLURM_ARRAY_TASK_MIN, SLURM_ARRAY_TASK_MAX), so two of"},
  };
  for (const auto& c : cases) {
    const std::string name = "case " + (c.message.empty() ? std::to_string(c.index) : c.message);
    const test::ScriptedEnvironment environment(c.variables);
    if (c.index == 0) {
      const std::string said = test::ErrorText<UsageError>([&] { ShardFromScheduler(c.count, environment); });
      EXPECT_NE(said.find(c.message), std::string::npos) << name << ": " << said;
      continue;
    }
    const ShardChoice shard = ShardFromScheduler(c.count, environment);
    EXPECT_EQ(shard.index, c.index) << name;
    EXPECT_EQ(shard.count, *c.count) << name;
  }
}

}  // namespace
}  // namespace sheetwise::batch

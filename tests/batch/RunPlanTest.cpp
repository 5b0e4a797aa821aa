// The run plan's first problem, whatever order the queue gives its workbooks.

#include "batch/RunPlan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestPaths.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Copies named with "草" taken out: a.xls and a草.xls share one, c.xls and c草.xls
// another; b.xls's copy would write over a file already in the tree. The
// first problem of the queue counts, a shared copy at the second of its
// workbooks; of several pairs, the one whose second comes first.
TEST(RunPlan, TheFirstProblemOfTheQueueIsTold) {
  test::TempDir dir;
  const std::string src = dir / "src/", out = src + "out/";
  fs::create_directories(out);
  for (const char* name : {"a.xls", "a草.xls", "b.xls", "c.xls", "c草.xls", "out/b.xls"}) std::ofstream(src + name);
  fs::create_hard_link(src + "a.xls", src + "h.xls");
  RunSettings settings;
  settings.naming = {src, out, "草", "", "", "", ""};
  const struct {
    Names queue;
    bool inPlace;
    PlanProblemKind kind;
    std::string first, second;
  } cases[] = {
      {{"a.xls", "a草.xls", "b.xls"}, false, PlanProblemKind::SharedOutput, "a.xls", "a草.xls"},
      {{"b.xls", "a.xls", "a草.xls"}, false, PlanProblemKind::OverwritesTreeFile, "b.xls", "out/b.xls"},
      {{"a.xls", "b.xls", "a草.xls"}, false, PlanProblemKind::OverwritesTreeFile, "b.xls", "out/b.xls"},
      {{"c.xls", "a.xls", "c草.xls", "a草.xls"}, false, PlanProblemKind::SharedOutput, "c.xls", "c草.xls"},
      {{"a.xls", "c.xls", "a草.xls", "c草.xls"}, false, PlanProblemKind::SharedOutput, "a.xls", "a草.xls"},
      {{"a草.xls", "c.xls", "a.xls"}, false, PlanProblemKind::SharedOutput, "a草.xls", "a.xls"},
      {{"b.xls", "c.xls", "h.xls", "c草.xls", "a.xls"}, true, PlanProblemKind::SharedOutput, "h.xls", "a.xls"},
  };
  for (const auto& c : cases) {
    Names paths;
    for (const auto& name : c.queue) paths.push_back(src + name);
    settings.inPlace = c.inPlace;
    const auto problem = CheckRunPlan(settings, false, WorkbookPaths(paths), {src}, {});
    ASSERT_TRUE(problem) << c.queue.front();
    EXPECT_EQ(problem->kind, c.kind) << PlanProblemText(*problem);
    EXPECT_EQ(problem->first, src + c.first) << PlanProblemText(*problem);
    EXPECT_EQ(problem->second, src + c.second) << PlanProblemText(*problem);
  }
  settings.inPlace = false;
  EXPECT_FALSE(CheckRunPlan(settings, false, WorkbookPaths(Names{src + "a.xls", src + "c草.xls"}), {src}, {}));
}

}  // namespace
}  // namespace sheetwise::batch

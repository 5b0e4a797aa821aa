#include "batch/OutputNaming.h"

#include <gtest/gtest.h>

#include <tuple>

namespace sheetwise::batch {
namespace {

// Source folder replaced by the save folder as plain text (unanchored, every occurrence, left to
// right without rescanning), the file name replacement before the prefix, the path replacement on
// the whole result, doubled separators collapsed in one pass.
TEST(BuildOutputPath, AppliesEachNamingRule) {
  const std::tuple<NamingRules, std::string, std::string> cases[] = {
      {{"/in/", "/out/", "", "", "", "", "new_"}, "/in/a/b.xls", "/out/a/new_b.xls"},
      {{"in", "out", "", "", "", "", "new_"}, "/data/in/bin/b.xls", "/data/out/bout/new_b.xls"},
      {{"", "/out/", "", "", "", "", "new_"}, "/in/a/b.xls", "/in/a/new_b.xls"},
      {{"/in/", "/out", "", "", "", "", "new_"}, "/in/a/b.xls", "/outa/new_b.xls"},
      {{"/in/", "/in/in/", "aa", "b", "", "", ""}, "/in/aaa.xls", "/in/in/ba.xls"},
      {{"/in/", "/out/", "xls", "et", "", "", "xls_"}, "/in/xls/xls表.xls", "/out/xls/xls_et表.et"},
      {{"/in/", "/out/", "", "", "a/new_", "正式", "new_"}, "/in/a/b.xls", "/out/正式b.xls"},
      // "/in/" becomes "/out//", joined with "/": three separators, of which two stay.
      {{"/in", "/out/", "", "", "", "", "new_"}, "/in/b.xls", "/out//new_b.xls"},
  };
  for (const auto& [naming, source, output] : cases) {
    EXPECT_EQ(BuildOutputPath(naming, source), output) << "case " << source;
  }
}

}  // namespace
}  // namespace sheetwise::batch

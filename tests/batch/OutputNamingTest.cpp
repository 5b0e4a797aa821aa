#include "batch/OutputNaming.h"

#include <gtest/gtest.h>

#include "rules/TextReplace.h"

namespace sheetwise::batch {
namespace {

NamingRules Folders(const std::string& source, const std::string& save, const std::string& prefix = "new_") {
  NamingRules naming;
  naming.sourceFolder = source;
  naming.saveFolder = save;
  naming.namePrefix = prefix;
  return naming;
}

TEST(ReplaceAll, LeftToRightWithoutOverlapOrRescan) {
  EXPECT_EQ(rules::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(rules::ReplaceAll("a.a", "a", "aa"), "aa.aa");
  EXPECT_EQ(rules::ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(rules::ReplaceAll("日期日期", "日期", ""), "");
}

TEST(BuildOutputPath, MovesFromSourceToSaveFolderWithPrefix) {
  const auto form = Folders("/in/", "/out/");
  EXPECT_EQ(BuildOutputPath(form, "/in/a/b.xls"), "/out/a/new_b.xls");
  EXPECT_EQ(BuildOutputPath(form, "/in/b.xls"), "/out/new_b.xls");
  EXPECT_EQ(BuildOutputPath(form, "b.xls"), "/new_b.xls");
}

TEST(BuildOutputPath, FolderMatchIsExactUnanchoredAndRepeated) {
  EXPECT_EQ(BuildOutputPath(Folders("/In/", "/out/"), "/in/a/b.xls"), "/in/a/new_b.xls");
  EXPECT_EQ(BuildOutputPath(Folders("in", "out"), "/data/in/bin/b.xls"), "/data/out/bout/new_b.xls");
  EXPECT_EQ(BuildOutputPath(Folders("", "/out/"), "/in/a/b.xls"), "/in/a/new_b.xls");
  // Plain text: the separator after the source folder goes with it.
  EXPECT_EQ(BuildOutputPath(Folders("/in/", "/out"), "/in/a/b.xls"), "/outa/new_b.xls");
}

TEST(BuildOutputPath, FileNameReplacementActsOnTheNameBeforeThePrefix) {
  auto form = Folders("/in/", "/out/", "xls_");
  form.nameFrom = "xls";
  form.nameTo = "et";
  EXPECT_EQ(BuildOutputPath(form, "/in/xls/xls表.xls"), "/out/xls/xls_et表.et");
  form.nameFrom = "";
  EXPECT_EQ(BuildOutputPath(form, "/in/xls表.xls"), "/out/xls_xls表.xls");
}

TEST(BuildOutputPath, PathReplacementActsOnTheWholeResult) {
  auto form = Folders("/in/", "/out/");
  form.pathFrom = "草稿";
  form.pathTo = "正式";
  EXPECT_EQ(BuildOutputPath(form, "/in/草稿/草稿1.xls"), "/out/正式/new_正式1.xls");
  form.pathFrom = "a/new_";
  EXPECT_EQ(BuildOutputPath(form, "/in/a/b.xls"), "/out/正式b.xls");
  form.pathFrom = "";
  EXPECT_EQ(BuildOutputPath(form, "/in/a/b.xls"), "/out/a/new_b.xls");
}

TEST(BuildOutputPath, DoubledSeparatorsCollapseInOnePass) {
  EXPECT_EQ(BuildOutputPath(Folders("", "", ""), "//server/share/b.xls"), "/server/share/b.xls");
  // "/in/" becomes "/out//", joined with "/": three separators, of which two stay.
  EXPECT_EQ(BuildOutputPath(Folders("/in", "/out/"), "/in/b.xls"), "/out//new_b.xls");
}

TEST(MakeNamePrefix, EveryDateMarkerBecomesTheDate) {
  const std::string prefix = MakeNamePrefix("日期_报表_日期_", "2024-03-05");
  EXPECT_EQ(prefix, "2024-03-05_报表_2024-03-05_");
  EXPECT_EQ(BuildOutputPath(Folders("/in/", "/out/", prefix), "/in/b.xls"), "/out/2024-03-05_报表_2024-03-05_b.xls");
  EXPECT_EQ(MakeNamePrefix("日", "2024-03-05"), "日");
}

}  // namespace
}  // namespace sheetwise::batch

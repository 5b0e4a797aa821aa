// The kinds of workbook a run takes, as --types lists them.

#include "batch/WorkbookKinds.h"

#include <gtest/gtest.h>

namespace sheetwise::batch {
namespace {

// A list read gives the kinds it names (what "all" chooses, in any letter case,
// dots and spaces allowed); one that cannot be read names what is wrong.
TEST(WorkbookKinds, TypesListsChooseKindsOrSayWhatIsWrong) {
  EXPECT_EQ(WorkbookKinds().extensions(" "), ".xls");
  const std::pair<const char*, const char*> lists[] = {
      {"ods,xls,ods", ".xls .ods"}, {"all", ".xls .xlsx .xlsm .ods"}, {"XLSM, .Ods", ".xlsm .ods"}};
  for (const auto& [list, chosen] : lists) {
    const KindList parsed = ParseWorkbookKinds(list);
    EXPECT_EQ(parsed.refusal, "") << list;
    EXPECT_EQ(parsed.kinds.extensions(" "), chosen) << list;
  }
  const std::pair<const char*, const char*> refused[] = {
      {"xls,xlsb", "\"xlsb\" is no kind of workbook this program takes"},
      {"xls;ods", "\"xls;ods\" is no kind"},
      {"xls,", "the list \"xls,\" has an empty entry"}};
  for (const auto& [list, refusal] : refused) {
    const std::string said = ParseWorkbookKinds(list).refusal;
    EXPECT_TRUE(said.starts_with(refusal)) << list << ": " << said;
    EXPECT_TRUE(said.ends_with(": give xls, xlsx, xlsm or ods, separated by commas, or all")) << said;
  }
}

}  // namespace
}  // namespace sheetwise::batch

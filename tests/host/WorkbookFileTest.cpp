#include "host/WorkbookFile.h"

#include <gtest/gtest.h>

#include "TestPaths.h"

namespace sheetwise::host {
namespace {

// Foreign and damaged files: the office host's tests, through opening.
TEST(CorpusInspectWorkbookFile, NamesTheFilterOfOlderFormats) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_EQ(InspectWorkbookFile(test::Corpus("biff4_excel4_worksheet.xls")).filterName, "MS Excel 4.0");
  EXPECT_EQ(InspectWorkbookFile(test::Corpus("biff7_excel95_invoice.xls")).filterName, "MS Excel 95");
}

}  // namespace
}  // namespace sheetwise::host

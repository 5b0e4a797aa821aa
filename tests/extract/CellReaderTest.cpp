#include "extract/CellReader.h"

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::extract {
namespace {
using test::Corpus;
using test::SharedHost;

std::string Read(const std::string& path, int row, int column) { return ReadExecl2(SharedHost(), path, row, column); }

// Sheet1 of second_active.xls, the first sheet, is not the active one.
const std::string kFirstNotActive = test::Fixture("second_active.xls");
const std::string kSheets = test::Fixture("sheets.xls");

TEST(ReadExecl2, ReadsTheFirstWorksheetsValuesAsText) {
  const std::tuple<std::string, int, int, std::string> cases[] = {
      {kFirstNotActive, 1, 1, "姓名"},   {kFirstNotActive, 1, 2, "col2"}, {kFirstNotActive, 2, 1, "value"},
      {kFirstNotActive, 1, 27, "col27"}, {kFirstNotActive, 2, 27, "1"},   {kFirstNotActive, 500, 3, ""},
      {kSheets, 3, 3, "44.66"},          {kSheets, 2, 1, "2014-05-15"},   {kSheets, 2, 5, ""},  // covered by a merge
      {kSheets, 2, 4, "#NULL"},  // text that looks like an error value
  };
  for (const auto& [path, row, column, text] : cases) {
    EXPECT_EQ(Read(path, row, column), text) << path << " " << row << "," << column;
  }
}

TEST(CorpusReadExecl2, ReadsTheFirstWorksheetWhenItIsHidden) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_EQ(Read(Corpus("first_sheet_hidden.xls"), 1, 1), "column a");
}

TEST(ReadExecl2, CellsOutsideTheSheetAndErrorValuesFail) {
  const std::pair<int, int> cells[] = {{0, 1}, {1, 0}, {-1, 1}, {1, -3}, {65537, 1}, {1, 257}, {9, 7}, {10, 7}};
  for (const auto& [row, column] : cells) {
    SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
    EXPECT_THROW(Read(kSheets, row, column), host::HostError);
  }
}

// Paths that name no readable workbook: WorkbookFile, LibreOfficeHost and QuickAdd.

TEST(CorpusReadExecl2, EncryptedWorkbooksAndErrorValuesStoredAsValuesFail) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_THROW(Read(Corpus("encrypted_xor_password.xls"), 1, 1), host::HostError);
  EXPECT_THROW(Read(Corpus("error_values_formulas.xls"), 2, 1), host::HostError);  // #NULL! as a value
}

}  // namespace
}  // namespace sheetwise::extract

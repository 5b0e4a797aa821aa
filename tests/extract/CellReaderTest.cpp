#include "extract/CellReader.h"

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::extract {
namespace {
using test::Corpus;

std::string Read(const std::string& path, int row, int column) {
  return ReadExecl2(test::SharedHost(), path, row, column);
}

// Sheet1 of second_active.xls, the first sheet, is not the active one.
const std::string kFirstNotActive = test::Fixture("second_active.xls");
const std::string kSheets = test::Fixture("sheets.xls");

TEST(ReadExecl2, ReadsTheFirstWorksheetsValuesAsShown) {
  const std::tuple<std::string, int, int, std::string> cases[] = {
      {kFirstNotActive, 1, 1, "姓名"}, {kFirstNotActive, 2, 27, "1"}, {kFirstNotActive, 500, 3, ""},
      {kSheets, 3, 3, "44.66"},        {kSheets, 2, 1, "2014-05-15"}, {kSheets, 2, 5, ""},  // covered by a merge
      {kSheets, 2, 4, "#NULL"},  // text that looks like an error value
  };
  for (const auto& [path, row, column, text] : cases) {
    EXPECT_EQ(Read(path, row, column), text) << "case " << path << " " << row << "," << column;
  }
}

// G9 and G10 hold error values.
TEST(ReadExecl2, CellsOutsideTheSheetAndErrorValuesFail) {
  for (const auto& [row, column] : {std::pair{0, 1}, {1, 0}, {65537, 1}, {1, 257}, {9, 7}, {10, 7}}) {
    EXPECT_THROW(Read(kSheets, row, column), host::HostError) << "case " << row << "," << column;
  }
}

TEST(CorpusReadExecl2, HiddenFirstSheetIsReadEncryptedWorkbooksAndErrorValuesStoredAsValuesFail) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_EQ(Read(Corpus("first_sheet_hidden.xls"), 1, 1), "column a");
  EXPECT_THROW(Read(Corpus("encrypted_xor_password.xls"), 1, 1), host::HostError);
  EXPECT_THROW(Read(Corpus("error_values_formulas.xls"), 2, 1), host::HostError);  // #NULL! as a value
}

}  // namespace
}  // namespace sheetwise::extract

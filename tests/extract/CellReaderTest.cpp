#include "extract/CellReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CountingOffice.h"
#include "TestPaths.h"

namespace sheetwise::extract {
namespace {
namespace fs = std::filesystem;
using test::Corpus;
using test::SharedHost;

std::string Read(const std::string& corpusName, int row, int column) {
  return ReadExecl2(SharedHost(), Corpus(corpusName), row, column);
}

TEST(ReadExecl2, ReadsValuesAsTextWithRowFirstAndColumnsPastZ) {
  EXPECT_EQ(Read("wide_255_columns.xls", 1, 2), "col2");
  EXPECT_EQ(Read("wide_255_columns.xls", 2, 1), "value");
  EXPECT_EQ(Read("wide_255_columns.xls", 1, 27), "col27");
  EXPECT_EQ(Read("wide_255_columns.xls", 2, 27), "1");
  EXPECT_EQ(Read("cjk_sheetname_second_active.xls", 3, 4), "44.66");
  EXPECT_EQ(Read("wide_255_columns.xls", 500, 3), "");
  EXPECT_EQ(Read("complex_merged_cells.xls", 1, 2), "");  // covered by a merge
}

// Neither the active sheet nor a hidden first sheet changes which one is first.
TEST(ReadExecl2, ReadsTheFirstWorksheetWhateverIsActiveOrHidden) {
  EXPECT_EQ(Read("cjk_sheetname_second_active.xls", 1, 1), "姓名");
  EXPECT_EQ(Read("first_sheet_hidden.xls", 1, 1), "column a");
}

TEST(ReadExecl2, CellsOutsideTheSheetFail) {
  const std::pair<int, int> outside[] = {{0, 1}, {1, 0}, {-1, 1}, {1, -3}, {65537, 1}, {1, 257}};
  for (const auto& [row, column] : outside) {
    SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
    EXPECT_THROW(Read("wide_255_columns.xls", row, column), host::HostError);
  }
}

TEST(ReadExecl2, ErrorValuesFail) {
  EXPECT_THROW(Read("error_values_formulas.xls", 2, 1), host::HostError);  // #NULL! as a value
  EXPECT_THROW(Read("error_values_formulas.xls", 9, 6), host::HostError);  // #N/A from a formula
  EXPECT_EQ(Read("error_values_formulas.xls", 2, 4), "#NULL");             // text that looks like one
}

TEST(ReadExecl2, PathsThatNameNoReadableWorkbookFail) {
  test::TempDir dir;
  std::ofstream(dir / "empty.xls").close();
  std::ofstream(dir / "note.xls") << "just some text\n";
  fs::create_directory(dir / "folder.xls");
  for (const auto& path : {dir / "missing.xls", dir / "empty.xls", dir / "note.xls", dir / "folder.xls",
                           Corpus("encrypted_xor_password.xls")}) {
    SCOPED_TRACE(path);
    EXPECT_THROW(ReadExecl2(SharedHost(), path, 1, 1), host::HostError);
  }
}

TEST(FirstSheetReader, OpensTheWorkbookOnceForAllItsReads) {
  test::CountingOffice office;
  FirstSheetReader reader(office, Corpus("wide_255_columns.xls"));
  EXPECT_TRUE(office.opened.empty());
  EXPECT_EQ(reader.cellText(1, 1), "col1");
  EXPECT_THROW(reader.cellText(0, 1), host::HostError);
  EXPECT_EQ(reader.cellText(1, 27), "col27");
  EXPECT_EQ(office.opened, std::vector<std::string>{Corpus("wide_255_columns.xls")});
}

}  // namespace
}  // namespace sheetwise::extract

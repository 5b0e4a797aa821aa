#include "host/WorkbookFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestPaths.h"
#include "host/HostError.h"

namespace sheetwise::host {
namespace {
namespace fs = std::filesystem;
using test::Corpus;
using test::TempDir;

std::string RefusalOf(const std::string& path) {
  try {
    InspectWorkbookFile(path);
  } catch (const HostError& e) {
    return e.what();
  }
  return "accepted";
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(InspectWorkbookFile, TakesTheBinaryFormatsWithTheirFilters) {
  EXPECT_EQ(InspectWorkbookFile(Corpus("complex_merged_cells.xls")).filterName, "MS Excel 97");
  EXPECT_EQ(InspectWorkbookFile(Corpus("biff7_excel95_invoice.xls")).filterName, "MS Excel 95");
  EXPECT_EQ(InspectWorkbookFile(Corpus("biff4_excel4_worksheet.xls")).filterName, "MS Excel 4.0");
}

TEST(InspectWorkbookFile, ReadsTheStoredActiveTabAndEncryption) {
  EXPECT_EQ(InspectWorkbookFile(Corpus("formulas_10_sheets_active_last.xls")).activeTab, 9);
  EXPECT_EQ(InspectWorkbookFile(Corpus("cjk_sheetnames_merged_rowheights.xls")).activeTab, 2);
  EXPECT_EQ(InspectWorkbookFile(Corpus("complex_merged_cells.xls")).activeTab, 0);
  EXPECT_FALSE(InspectWorkbookFile(Corpus("complex_merged_cells.xls")).encrypted);
  EXPECT_TRUE(InspectWorkbookFile(Corpus("encrypted_xor_password.xls")).encrypted);
  EXPECT_TRUE(InspectWorkbookFile(Corpus("encrypted_rc4_default_password.xls")).encrypted);
}

TEST(InspectWorkbookFile, NamesTheRealTypeOfForeignFiles) {
  TempDir dir;
  Write(dir / "page.xls", "<html><body><table><tr><td>1</td></tr></table></body></html>");
  Write(dir / "data.xls", "a,b,c\n1,2,3\n");
  Write(dir / "empty.xls", "");
  Write(dir / "noise.xls", std::string("\x01\x02\x03\x00\xff\xfe", 6));
  const std::string truncated = dir / "truncated.xls";
  fs::copy_file(Corpus("complex_merged_cells.xls"), truncated);
  fs::resize_file(truncated, 1000);

  EXPECT_NE(RefusalOf(Corpus("xlsx_renamed.xls")).find("is a ZIP archive"), std::string::npos);
  EXPECT_NE(RefusalOf(Corpus("spreadsheetml2003_renamed_cjk.xls")).find("is an XML Spreadsheet 2003 file"),
            std::string::npos);
  EXPECT_NE(RefusalOf(dir / "page.xls").find("is an HTML file"), std::string::npos);
  EXPECT_NE(RefusalOf(dir / "data.xls").find("is a text file"), std::string::npos);
  EXPECT_NE(RefusalOf(dir / "empty.xls").find("is an empty file"), std::string::npos);
  EXPECT_NE(RefusalOf(dir / "noise.xls").find("unknown type"), std::string::npos);
  EXPECT_NE(RefusalOf(truncated).find("damaged"), std::string::npos);
  EXPECT_NE(RefusalOf(dir / "missing.xls").find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace sheetwise::host

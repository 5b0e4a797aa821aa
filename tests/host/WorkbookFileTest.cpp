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

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(InspectWorkbookFile, ReadsTheFilterTheStoredActiveTabAndEncryption) {
  const auto second = InspectWorkbookFile(test::Fixture("second_active.xls"));
  EXPECT_EQ(second.filterName, "MS Excel 97");
  EXPECT_EQ(second.activeTab, 1);
  EXPECT_FALSE(second.encrypted);
  EXPECT_EQ(InspectWorkbookFile(test::Fixture("sheets.xls")).activeTab, 0);
}

TEST(CorpusInspectWorkbookFile, ReadsOlderFormatsActiveTabsAndEncryption) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_EQ(InspectWorkbookFile(Corpus("biff7_excel95_invoice.xls")).filterName, "MS Excel 95");
  EXPECT_EQ(InspectWorkbookFile(Corpus("biff4_excel4_worksheet.xls")).filterName, "MS Excel 4.0");
  EXPECT_EQ(InspectWorkbookFile(Corpus("formulas_10_sheets_active_last.xls")).activeTab, 9);
  EXPECT_TRUE(InspectWorkbookFile(Corpus("encrypted_xor_password.xls")).encrypted);
  EXPECT_TRUE(InspectWorkbookFile(Corpus("encrypted_rc4_default_password.xls")).encrypted);
}

TEST(InspectWorkbookFile, NamesTheRealTypeOfForeignFiles) {
  TempDir dir;
  Write(dir / "page.xls", "<html><body><table><tr><td>1</td></tr></table></body></html>");
  Write(dir / "data.xls", "a,b,c\n1,2,3\n");
  Write(dir / "empty.xls", "");
  Write(dir / "noise.xls", std::string("\x01\x02\x03\x00\xff\xfe", 6));
  Write(dir / "xml2003.xls",
        "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">");
  dir.copyFixture("sheets.xlsx", "xlsx.xls");
  dir.copyFixture("sheets.xls", "truncated.xls");
  fs::resize_file(dir / "truncated.xls", 1000);
  const std::pair<std::string, std::string> cases[] = {
      {"xlsx.xls", "is a ZIP archive"},  {"xml2003.xls", "is an XML Spreadsheet 2003 file"},
      {"page.xls", "is an HTML file"},   {"data.xls", "is a text file"},
      {"empty.xls", "is an empty file"}, {"noise.xls", "unknown type"},
      {"truncated.xls", "damaged"},      {"missing.xls", "does not exist"}};
  for (const auto& [name, message] : cases) {
    EXPECT_NE(RefusalOf(dir / name).find(message), std::string::npos) << name << ": " << RefusalOf(dir / name);
  }
}

}  // namespace
}  // namespace sheetwise::host

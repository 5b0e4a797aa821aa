#include "host/WorkbookFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestPaths.h"
#include "host/HostError.h"

namespace sheetwise::host {
namespace {

// Foreign and damaged files: the office host's tests, through opening.
TEST(CorpusInspectWorkbookFile, NamesTheFilterOfOlderFormats) {
  SHEETWISE_REQUIRE_CORPUS();
  EXPECT_EQ(InspectWorkbookFile(test::Corpus("biff4_excel4_worksheet.xls")).filterName, "MS Excel 4.0");
  EXPECT_EQ(InspectWorkbookFile(test::Corpus("biff7_excel95_invoice.xls")).filterName, "MS Excel 95");
}

// Every workbook of the .xlsx/.xlsm/.ods corpus by its content: the format its
// name says (the misnamed one: what it really is), an encrypted one refused.
TEST(CorpusInspectWorkbookFile, RecognisesEveryOoxmlAndOdsWorkbookByContent) {
  const auto corpus = test::CorpusDir().parent_path() / "corpus-ooxml";
  if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "the real-world corpus is not here: " << corpus.string();
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    if (extension != ".xlsx" && extension != ".xlsm" && extension != ".ods" && extension != ".xls") continue;
    ++seen;
    if (name.starts_with("encrypted")) {
      EXPECT_THROW(InspectWorkbookFile(entry.path().string()), HostError) << name;
      continue;
    }
    const auto info = InspectWorkbookFile(entry.path().string());
    EXPECT_EQ(FormatExtension(info.format), extension == ".xls" ? ".xlsx" : extension) << name;
    EXPECT_EQ(MisnamedNotice(entry.path().string(), info.format).empty(), extension != ".xls") << name;
  }
  EXPECT_GE(seen, 30);
}

}  // namespace
}  // namespace sheetwise::host

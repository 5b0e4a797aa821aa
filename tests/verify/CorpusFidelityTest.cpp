// Real workbooks that show each way the office used to change what the rules
// did not touch: processed with one edit and read back without the office.
// What the office can keep stays kept; what it cannot is reported.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/BatchCommand.h"
#include "batch/WorkbookEngine.h"
#include "host/CellAddress.h"
#include "host/LibreOfficeHost.h"
#include "verify/SaveComparison.h"
#include "verify/XlsContent.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// One corpus workbook through the engine with one edit far below its cells.
struct Processed {
  std::string source;
  std::string output;
  WorkbookResult result;
};

class CorpusFidelity : public ::testing::Test {
 protected:
  Processed process(const std::string& corpus, const std::string& sheet, const std::string& edit = "60000|Z|edit") {
    Processed p;
    p.source = dir.copyCorpus(corpus, "in/" + corpus);
    fs::create_directories(dir.path() / "out");
    RunSettings settings;
    settings.sheetName = sheet;
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.rules = {edit};
    p.result = engine.ProcessWorkbook(p.source, settings);
    p.output = dir / ("out/" + corpus);
    return p;
  }

  test::TempDir dir;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

TEST_F(CorpusFidelity, EveryCellKeepsItsFontWhateverTheScriptOfItsText) {
  SHEETWISE_REQUIRE_CORPUS();
  for (const auto& [corpus, sheet] : {std::pair{"cjk_single_sheet_borders_merged.xls", "第一页"},
                                      std::pair{"cjk_sheetname_second_active.xls", "Sheet1"},
                                      std::pair{"cjk_product_sheet_comment_freeze.xls", "产品数据"}}) {
    SCOPED_TRACE(corpus);
    const auto p = process(corpus, sheet);
    EXPECT_EQ(p.result.differences, Lines{});
    const auto before = verify::ReadXlsContent(p.source);
    const auto after = verify::ReadXlsContent(p.output);
    ASSERT_EQ(before.sheets.size(), after.sheets.size());
    size_t cells = 0;
    for (size_t s = 0; s < before.sheets.size(); ++s) {
      for (const auto& [at, cell] : before.sheets[s].cells) {
        const auto it = after.sheets[s].cells.find(at);
        ASSERT_NE(it, after.sheets[s].cells.end());
        EXPECT_EQ(it->second.font, cell.font) << before.sheets[s].name << " row " << at.first << " column " << at.second;
        ++cells;
      }
    }
    EXPECT_GT(cells, 10u);
  }
}

// Text results are written as text again; the few that the office computes
// otherwise once the formula is entered again are reported.
TEST_F(CorpusFidelity, TextResultsOfFormulasAreKeptOrReported) {
  SHEETWISE_REQUIRE_CORPUS();
  const auto p = process("formulas_10_sheets_active_last.xls", "Text", "{行距}|2|20");
  const auto textSheet = [](const test::XlsSnapshot& book) {
    return *std::find_if(book.sheets.begin(), book.sheets.end(), [](const auto& s) { return s.name == "Text"; });
  };
  const auto before = textSheet(test::ReadWithXlrd(p.source));
  const auto after = textSheet(test::ReadWithXlrd(p.output));
  const auto all = verify::VerifySave(p.source, p.output, {"Text", {}}, SIZE_MAX).first;
  const auto reported = [&](int row, int column) {
    const std::string place = "Text!" + host::ColumnLetters(column) + std::to_string(row) + ":";
    return std::any_of(all.begin(), all.end(), [&](const std::string& line) { return line.rfind(place, 0) == 0; });
  };
  size_t kept = 0;
  for (const auto& [at, cell] : before.cells) {
    if (cell.type != 1) continue;
    if (after.value(at.first, at.second) == cell.value) {
      ++kept;
    } else {
      EXPECT_TRUE(reported(at.first, at.second)) << "row " << at.first << " column " << at.second;
    }
  }
  EXPECT_GT(kept, 30u);
}

// An array formula with text results stays an array formula; its results,
// which the office writes as it computes them, are kept or reported.
TEST_F(CorpusFidelity, ArrayFormulasStayFormulasTheirTextResultsKeptOrReported) {
  SHEETWISE_REQUIRE_CORPUS();
  const auto p = process("formulas_10_sheets_active_last.xls", "Lookup", "{行距}|2|20");
  const auto sheetOf = [](const verify::XlsContent& content) {
    return *std::find_if(content.sheets.begin(), content.sheets.end(), [](const auto& s) { return s.name == "Lookup"; });
  };
  const auto before = sheetOf(verify::ReadXlsContent(p.source));
  const auto after = sheetOf(verify::ReadXlsContent(p.output));
  const auto all = verify::VerifySave(p.source, p.output, {"Lookup", {}}, SIZE_MAX).first;
  for (int column = 2; column <= 4; ++column) {
    const auto& was = before.cells.at({26, column});
    const auto& is = after.cells.at({26, column});
    EXPECT_TRUE(was.formula);
    EXPECT_TRUE(is.formula) << "column " << column << ": " << verify::DescribeValue(is);
    const std::string line = "Lookup!" + host::ColumnLetters(column) + "26: " + verify::DescribeValue(was) + " → " +
                             verify::DescribeValue(is);
    if (is.text != was.text) {
      EXPECT_NE(std::find(all.begin(), all.end(), line), all.end()) << line;
    }
  }
}

TEST_F(CorpusFidelity, TheMacroStorageIsKeptAsTheFileHadIt) {
  SHEETWISE_REQUIRE_CORPUS();
  for (const auto& [corpus, sheet] : {std::pair{"vba_macro.xls", "Sheet1"},
                                      std::pair{"cjk_protected_sheets_many_merges.xls", "2270-170-1"}}) {
    SCOPED_TRACE(corpus);
    const auto p = process(corpus, sheet);
    const auto before = verify::ReadXlsContent(p.source).macroStorage;
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(verify::ReadXlsContent(p.output).macroStorage, before);
  }
}

// What the office cannot keep: reported with the workbook, the copy written.
struct Reported {
  const char* corpus;
  const char* sheet;
  const char* difference;  // one of the differences reported
  const char* edit = "{行距}|2|20";
};

class CorpusReported : public CorpusFidelity, public ::testing::WithParamInterface<Reported> {};

TEST_P(CorpusReported, IsReportedWithTheSavedCopy) {
  SHEETWISE_REQUIRE_CORPUS();
  const auto p = process(GetParam().corpus, GetParam().sheet, GetParam().edit);
  EXPECT_EQ(p.result.outcome, Outcome::Processed) << p.result.reason;
  const auto& found = p.result.differences;
  EXPECT_NE(std::find(found.begin(), found.end(), GetParam().difference), found.end())
      << ::testing::PrintToString(found);
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_EQ(log.entries()[0].text, "保存校验有差异：<file/>" + p.output + "</file>");
  EXPECT_TRUE(fs::exists(p.output));
}

INSTANTIATE_TEST_SUITE_P(
    WhatTheOfficeCannotKeep, CorpusReported,
    ::testing::Values(Reported{"hidden_and_veryhidden_sheets.xls", "Visible", "sheet \"VeryHidden\": very hidden → hidden"},
                      Reported{"chart_sheet_plus_data.xls", "Data", "sheet \"Chart1\": chart sheet → worksheet"},
                      Reported{"first_sheet_hidden.xls", "test.csv", "macro storage: present → lost"},
                      Reported{"error_values_formulas.xls", "RawErrors", "RawErrors!F2: =(1) → =(#N/A)"},
                      // Every sheet has a password: renaming one is the edit that its protection allows.
                      Reported{"cjk_protected_sheets_many_merges.xls", "2270-170-1",
                               "renamed!AF1 font: 돋움 → Noto Sans CJK SC", "{表名}|renamed"}),
    [](const auto& info) { return std::to_string(info.index); });

// The batch command prints the differences under the workbook's log line;
// strictly, the differing copy is not written and the run fails.
TEST_F(CorpusFidelity, TheBatchCommandPrintsDifferencesAndStrictlyWritesNothing) {
  SHEETWISE_REQUIRE_CORPUS();
  dir.copyCorpus("hidden_and_veryhidden_sheets.xls", "in/book.xls");
  std::ofstream(dir / "rules.txt") << "{行距}|2|20\n";
  const auto run = [&](const char* out, std::vector<std::string> more) {
    std::vector<std::string> args{"--source", dir / "in", "--rules", dir / "rules.txt", "--save", dir / out,
                                  "--sheet", "Visible", "--jobs", "1", "--log", dir / "log.txt"};
    args.insert(args.end(), more.begin(), more.end());
    fs::create_directories(dir / out);
    std::ostringstream stdOut, stdErr;
    std::atomic<bool> interrupted{false};
    const int status = RunBatchCommand(args, {stdOut, stdErr, false}, interrupted);
    return std::pair{status, stdErr.str()};
  };
  const auto [status, err] = run("out", {});
  EXPECT_EQ(status, 0);
  EXPECT_NE(err.find("保存校验有差异：<file/>" + (dir / "out/book.xls") + "</file>"), std::string::npos) << err;
  EXPECT_NE(err.find("\n    sheet \"VeryHidden\": very hidden → hidden\n"), std::string::npos) << err;
  EXPECT_TRUE(fs::exists(dir / "out/book.xls"));

  const auto [strictStatus, strictErr] = run("strict", {"--strict"});
  EXPECT_EQ(strictStatus, 1);
  EXPECT_NE(strictErr.find("表头不匹配处理失败：<file/>" + (dir / "in/book.xls") + "</file>"), std::string::npos)
      << strictErr;
  EXPECT_FALSE(fs::exists(dir / "strict/book.xls"));

  const auto [uncheckedStatus, uncheckedErr] = run("unchecked", {"--no-verify"});
  EXPECT_EQ(uncheckedStatus, 0);
  EXPECT_EQ(uncheckedErr.find("保存校验有差异"), std::string::npos) << uncheckedErr;
  EXPECT_TRUE(fs::exists(dir / "unchecked/book.xls"));
}

}  // namespace
}  // namespace sheetwise::batch

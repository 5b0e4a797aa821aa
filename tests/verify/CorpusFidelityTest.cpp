// Real workbooks that show each way the office used to change what the rules
// did not touch, processed with one edit and read back without the office:
// what the office can keep stays kept, what it cannot is reported.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/WorkbookEngine.h"
#include "host/CellAddress.h"
#include "host/LibreOfficeHost.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class CorpusFidelity : public ::testing::Test {
 protected:
  // The workbook through the engine with one rule; its copy is out/NAME.
  WorkbookResult process(const std::string& corpus, const std::string& sheet, const std::string& rule) {
    fs::create_directories(dir.path() / "out");
    RunSettings settings;
    settings.sheetName = sheet;
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.rules = {rule};
    return engine.ProcessWorkbook(dir.copyCorpus(corpus, "in/" + corpus), settings);
  }

  test::TempDir dir;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Fonts of text in any script and macro storages are kept; what the office
// cannot keep is reported, with the copy written.
TEST_F(CorpusFidelity, WhatTheOfficeCannotKeepIsReportedWithTheCopy) {
  SHEETWISE_REQUIRE_CORPUS();
  const char* const far = "60000|Z|edit";
  const char* const heights = "{行距}|2|20";
  struct Case {
    const char* corpus;
    const char* sheet;
    const char* rule;
    const char* reported;  // one of the differences; "" when nothing differs
  };
  for (const auto& c : {Case{"cjk_single_sheet_borders_merged.xls", "第一页", far, ""},
                        Case{"cjk_sheetname_second_active.xls", "Sheet1", far, ""},
                        Case{"cjk_product_sheet_comment_freeze.xls", "产品数据", far, ""},
                        Case{"vba_macro.xls", "Sheet1", far, ""},
                        Case{"hidden_and_veryhidden_sheets.xls", "Visible", heights,
                             "sheet \"VeryHidden\": very hidden → hidden"},
                        Case{"chart_sheet_plus_data.xls", "Data", heights, "sheet \"Chart1\": chart sheet → worksheet"},
                        Case{"first_sheet_hidden.xls", "test.csv", heights, "macro storage: present → lost"},
                        Case{"error_values_formulas.xls", "RawErrors", heights, "RawErrors!F2: =(1) → =(#N/A)"},
                        // Every sheet has a password: renaming one is the edit its protection allows.
                        Case{"cjk_protected_sheets_many_merges.xls", "2270-170-1", "{表名}|renamed",
                             "renamed!AF1 font: 돋움 → Noto Sans CJK SC"}}) {
    const auto result = process(c.corpus, c.sheet, c.rule);
    const Lines& found = result.differences;
    EXPECT_EQ(result.outcome, Outcome::Processed) << c.corpus << ": " << result.reason;
    EXPECT_TRUE(fs::exists(dir / ("out/" + std::string(c.corpus)))) << c.corpus;
    EXPECT_TRUE(*c.reported ? std::find(found.begin(), found.end(), c.reported) != found.end() : found.empty())
        << c.corpus << ": " << ::testing::PrintToString(found);
  }
}

// Text results of formulas, array formulas among them, are written as text
// again; the few that the office computes otherwise once the formula is
// entered again are reported. Array formulas stay array formulas.
TEST_F(CorpusFidelity, TextResultsOfFormulasAreKeptOrReported) {
  SHEETWISE_REQUIRE_CORPUS();
  process("formulas_10_sheets_active_last.xls", "Text", "{行距}|2|20");
  const std::string source = dir / "in/formulas_10_sheets_active_last.xls";
  const std::string saved = dir / "out/formulas_10_sheets_active_last.xls";
  const auto reported = verify::VerifySave(source, saved, {"Text", {}}, SIZE_MAX).first;
  const auto before = test::ReadWithXlrd(source);
  const auto after = test::ReadWithXlrd(saved);
  size_t kept = 0;
  for (size_t s = 0; s < before.sheets.size(); ++s) {
    if (before.sheets[s].name != "Text" && before.sheets[s].name != "Lookup") continue;  // others hold volatile ones
    for (const auto& [at, cell] : before.sheets[s].cells) {
      const auto& [row, column] = at;
      if (cell.type != 1) continue;  // text, as xlrd reads it
      const bool same = after.sheets[s].value(row, column) == cell.value;
      kept += same;
      const std::string place = before.sheets[s].name + "!" + host::ColumnLetters(column) + std::to_string(row) + ":";
      EXPECT_TRUE(same || std::any_of(reported.begin(), reported.end(), [&](auto& l) { return l.rfind(place, 0) == 0; }))
          << place << " " << cell.value << " → " << after.sheets[s].value(row, column);
    }
  }
  EXPECT_GT(kept, 30u);
  const auto sheets = verify::ReadXlsContent(saved).sheets;
  const auto lookup = std::find_if(sheets.begin(), sheets.end(), [](auto& s) { return s.name == "Lookup"; });
  ASSERT_NE(lookup, sheets.end());
  for (int column = 2; column <= 4; ++column) {
    EXPECT_TRUE(lookup->cells.at({26, column}).formula) << "Lookup row 26 column " << column;
  }
}

// The batch command prints the differences under the workbook's log line;
// strictly, the differing copy is not written and the run fails; unchecked,
// nothing is reported.
TEST_F(CorpusFidelity, TheBatchCommandPrintsDifferencesAndStrictlyWritesNothing) {
  SHEETWISE_REQUIRE_CORPUS();
  dir.copyCorpus("hidden_and_veryhidden_sheets.xls", "in/book.xls");
  std::ofstream(dir / "rules.txt") << "{行距}|2|20\n";
  const auto run = [&](const std::string& option) {
    fs::create_directories(dir / ("out" + option));
    std::vector<std::string> args{"--source", dir / "in", "--rules", dir / "rules.txt", "--save", dir / ("out" + option),
                                  "--sheet", "Visible", "--jobs", "1", "--log", dir / "log.txt"};
    if (!option.empty()) args.push_back(option);
    return test::RunBatch(args);
  };
  const auto checked = run("");
  EXPECT_EQ(checked.status, 0);
  EXPECT_NE(checked.err.find("保存校验有差异：<file/>" + (dir / "out/book.xls") + "</file>"), std::string::npos)
      << checked.err;
  EXPECT_NE(checked.err.find("\n    sheet \"VeryHidden\": very hidden → hidden\n"), std::string::npos) << checked.err;

  const auto strict = run("--strict");
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.err.find("表头不匹配处理失败：<file/>" + (dir / "in/book.xls") + "</file>"), std::string::npos)
      << strict.err;
  EXPECT_FALSE(fs::exists(dir / "out--strict/book.xls"));

  const auto unchecked = run("--no-verify");
  EXPECT_EQ(unchecked.status, 0);
  EXPECT_EQ(unchecked.err.find("保存校验有差异"), std::string::npos) << unchecked.err;
  EXPECT_TRUE(fs::exists(dir / "out--no-verify/book.xls"));
}

}  // namespace
}  // namespace sheetwise::batch

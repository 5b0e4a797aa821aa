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

class CorpusFidelity : public ::testing::Test {
 protected:
  // The workbook through the engine with one rule; its copy is out/NAME.
  WorkbookResult process(const std::string& corpus, const std::string& sheet, const std::string& rule) {
    fs::create_directories(dir.path() / "out");
    RunSettings settings;
    settings.sheetName = sheet;
    settings.naming.sourceFolder = (dir.path() / "in").string() + "/";
    settings.naming.saveFolder = (dir.path() / "out").string() + "/";
    settings.rules = rules::ParseRules({rule}, false);
    return engine.ProcessWorkbook(dir.copyCorpus(corpus, "in/" + corpus), settings);
  }

  test::TempDir dir;
  CollectedLog log;
  WorkbookEngine engine{test::SharedHost(), log};
};

// Fonts of text in any script and macro storages are kept; what the office
// cannot keep is reported (a chart sheet made a worksheet: also through the
// batch command below). Text runs: CorpusLibreOfficeHost.
TEST_F(CorpusFidelity, WhatTheOfficeCanKeepIsKeptTheRestReported) {
  SHEETWISE_REQUIRE_CORPUS();
  struct Case {
    const char *corpus, *sheet;
    const char* reported = "";  // one of the differences; "" when nothing differs
    const char* rule = "{行距}|2|20";
  };
  const Case cases[] = {
      {"cjk_single_sheet_borders_merged.xls", "第一页"},
      {"cjk_sheetname_second_active.xls", "Sheet1"},
      // Written by another office, whose private stream is put back after the office drops it.
      {"cjk_product_sheet_comment_freeze.xls", "产品数据",
       "sheet \"产品数据\", cell A1: font run 3: 宋体 12pt bold from character 115 → 宋体 12pt bold from character 116"},
      {"vba_macro.xls", "Sheet1"},
      {"chart_sheet_plus_data.xls", "Data", "sheet \"Chart1\": chart sheet → worksheet"},
      // Macros without a project record, and a very hidden sheet: put back after the office drops them.
      {"first_sheet_hidden.xls", "test.csv"},
      // Results the office computes anew, and error constants it makes formulas,
      // are put back; it writes ERROR.TYPE as a function Excel would not know.
      {"error_values_formulas.xls", "RawErrors", "defined name \"_xlfn.ERROR.TYPE\": none → present"},
      // Print areas and titles the office also writes spelled out are no new names.
      {"realworld_report_7_sheets.xls", "Cover", "sheet \"Cover\", cell A30: font runs 3 → 2"},
      // Every column 9 characters wide becomes the office's default of 8.
      {"rows_65536_max.xls", "Sheet1", "sheet \"Sheet1\", column A:IV: width 9 → 8 characters"},
      // Pattern fills the office writes as solid colours.
      {"fill_patterns.xls", "Patterns", "sheet \"Patterns\", cell C12: fill mediumGray #0000FF on #FFFF00 → solid #7F7F80"},
      // Every sheet has a password: renaming one is the edit its protection allows.
      {"cjk_protected_sheets_many_merges.xls", "2270-170-1", "sheet \"renamed\", cell AF1: font 돋움 → Noto Sans CJK SC",
       "{表名}|renamed"}};
  for (const Case& c : cases) {
    const auto result = process(c.corpus, c.sheet, c.rule);
    const auto& found = result.differences;
    EXPECT_EQ(result.outcome, Outcome::Processed) << c.corpus << ": " << result.reason;
    EXPECT_TRUE(*c.reported ? std::ranges::find(found, c.reported) != found.end() : found.empty())
        << c.corpus << ": " << ::testing::PrintToString(found);
    const auto printNames = [](const std::string& line) { return line.find("\"Print_") != std::string::npos; };
    EXPECT_FALSE(std::ranges::any_of(found, printNames)) << c.corpus << ": " << ::testing::PrintToString(found);
  }
}

// Text results of formulas, array formulas among them, are written as text
// again; the few that the office computes otherwise once the formula is
// entered again are put back from the source or reported. Array formulas
// stay array formulas.
TEST_F(CorpusFidelity, TextResultsOfFormulasAreKeptOrReported) {
  SHEETWISE_REQUIRE_CORPUS();
  const std::string saved = process("formulas_10_sheets_active_last.xls", "Text", "{行距}|2|20").output;
  const std::string source = dir / "in/formulas_10_sheets_active_last.xls";
  const auto reported = verify::VerifySave(source, saved, {"Text", {}}, SIZE_MAX).first;
  const auto before = test::ReadWithXlrd(source);
  const auto after = test::ReadWithXlrd(saved);
  size_t kept = 0;
  const auto isReported = [&](const std::string& place) {
    return std::ranges::any_of(reported, [&](auto& line) { return line.starts_with(place + ":"); });
  };
  for (const size_t s : {6, 9}) {  // Lookup and Text; the other sheets hold volatile formulas
    for (const auto& [at, cell] : before.sheets[s].cells) {
      const std::string now = after.sheets[s].value(at.first, at.second);
      const std::string place =
          "sheet \"" + before.sheets[s].name + "\", cell " + host::ColumnLetters(at.second) + std::to_string(at.first);
      if (cell.type != 1) continue;  // text, as xlrd reads it
      kept += now == cell.value;
      EXPECT_TRUE(now == cell.value || isReported(place)) << place << ": " << cell.value << " → " << now;
    }
  }
  EXPECT_GT(kept, 30u);
  const auto lookup = verify::ReadXlsContent(saved).sheets.at(6);
  for (int column = 2; column <= 4; ++column) {
    EXPECT_TRUE(lookup.cells.at({26, column}).formula) << lookup.name << " row 26 column " << column;
  }
}

// The batch command prints the differences under the workbook's log line;
// strictly, the copy is not written and the run fails; unchecked, nothing is reported.
TEST_F(CorpusFidelity, TheBatchCommandPrintsDifferencesAndStrictlyWritesNothing) {
  SHEETWISE_REQUIRE_CORPUS();
  const std::string book = dir.copyCorpus("chart_sheet_plus_data.xls", "in/book.xls");
  std::ofstream(dir / "rules.txt") << "{行距}|2|20\n";
  const auto run = [&](const std::string& option, int status) {
    std::vector<std::string> args{"--source", dir / "in", "--rules", dir / "rules.txt", "--sheet", "Data",
                                  "--jobs", "1", "--log", dir / "log.txt", "--save", dir / ("out" + option)};
    if (!option.empty()) args.push_back(option);
    const auto result = test::RunBatch(args);
    EXPECT_EQ(result.status, status) << option;
    return result.err;
  };
  const std::string checked = run("", 0);
  EXPECT_NE(checked.find("\n    sheet \"Chart1\": chart sheet → worksheet\n"), std::string::npos) << checked;
  const std::string strict = run("--strict", 1);
  EXPECT_NE(strict.find("表头不匹配处理失败：<file/>" + book + "</file>"), std::string::npos) << strict;
  EXPECT_FALSE(fs::exists(dir / "out--strict/book.xls"));
  const std::string unchecked = run("--no-verify", 0);
  EXPECT_EQ(unchecked.find("保存校验有差异"), std::string::npos) << unchecked;
}

}  // namespace
}  // namespace sheetwise::batch

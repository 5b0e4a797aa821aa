// What the rules changed, per workbook: the report's changes column against the workbooks read back.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>

#include "BatchRun.h"
#include "BookSnapshot.h"
#include "TableWorkbook.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "cli/ReportReader.h"
#include "cli/RunReport.h"
#include "verify/RuleChanges.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Sheet1 of both workbooks: the rows book_tool.py writes.
constexpr const char* kTable = "Name,Qty,Note,Code\n张三,3,first,A-1\n李四,4,second,B-2\n王五,5,third,C-3\n赵六,6,fourth,D-4\n";

// What an independent reader finds in the first sheet of a written workbook, whatever its format.
struct ReadBack {
  std::string sheet;
  std::function<std::string(int row, int column)> value;
  std::function<bool(int firstRow, int lastRow, int firstColumn, int lastColumn)> merged;
  std::function<std::string(int row)> rowHeightPoints;
  std::function<bool(int column)> widthSet;
};

ReadBack ReadXls(const std::string& path) {
  const auto sheet = test::ReadWithXlrd(path).sheets.at(0);
  return {sheet.name, [=](int r, int c) { return sheet.value(r, c); },
          [=](int r1, int r2, int c1, int c2) {
            return std::ranges::count(sheet.merges, test::XlsMerge{r1, r2, c1, c2}) == 1;
          },
          [=](int r) { return sheet.rowHeights.count(r) ? std::to_string(sheet.rowHeights.at(r) / 20) : ""; },
          [=](int c) { return sheet.columnWidths.count(c) == 1; }};
}

ReadBack ReadXlsx(const std::string& path) {
  const auto book = test::ReadBook(path);
  return {book.sheets.at(0), [=](int r, int c) { return book.value(0, r, c); },
          [=](int r1, int r2, int c1, int c2) {
            return book.merges.count("0 " + std::to_string(r1) + " " + std::to_string(r2) + " " +
                                     std::to_string(c1) + " " + std::to_string(c2)) == 1;
          },
          [=](int r) { return book.rowHeights.count({0, r}) ? book.rowHeights.at({0, r}) : ""; },
          [=](int c) { return book.columnWidths.count({0, c}) == 1; }};
}

// A value as the changes describe it, as a reader shows it: quotes off, "empty" as nothing.
std::string Shown(const std::string& described) {
  if (described == "empty") return "";
  if (described.size() >= 2 && described.front() == '"') return described.substr(1, described.size() - 2);
  return described;
}

// Every rule kind in one run over a .xls and a .xlsx: each change listed, and
// each one what the written workbook holds; every cell change's value the one read back.
TEST(ChangesColumn, EveryRuleKindOnXlsAndXlsxAsTheWrittenWorkbooksHoldIt) {
  test::TempDir dir;
  test::WriteTableWorkbook(dir / "src/book.xls", kTable);
  test::MakeBook("xlsx", dir / "src/book.xlsx");
  std::ofstream(dir / "rules.txt") << "{删除行}|正行|5\n{插入行}|正行|3\n{删除列}|整列|D\n{清空}|A2|B2\n"
                                      "{合并}|A4|B5\n3|C|改过\n{行距}|4|30\n{列距}|C|20\n{表名}|新表\n";
  const auto result = test::RunBatch({"--source", dir / "src", "--rules", dir / "rules.txt", "--save", dir / "out",
                                      "--types", "xls,xlsx", "--report", dir / "r.jsonl", "--log", "-", "--quiet"});
  ASSERT_EQ(result.status, 0) << result.err;
  using Check = std::function<bool(const ReadBack&)>;
  const std::pair<std::string, Check> expected[] = {
      {"sheet \"Sheet1\": row 5 deleted", [](const auto& b) { return b.value(6, 1) == ""; }},
      {"sheet \"Sheet1\": row 3 inserted", [](const auto& b) { return b.value(3, 1) == "" && b.value(4, 1) == "李四"; }},
      {"sheet \"Sheet1\": column D deleted", [](const auto& b) { return b.value(1, 4) == ""; }},
      {"sheet \"Sheet1\": A2:B2 cleared", [](const auto& b) { return b.value(2, 1) == "" && b.value(2, 3) == "first"; }},
      {"sheet \"Sheet1\": A4:B5 merged", [](const auto& b) { return b.merged(4, 5, 1, 2); }},
      {"sheet \"Sheet1\": row 4 height set to 30 pt", [](const auto& b) { return b.rowHeightPoints(4) == "30"; }},
      {"sheet \"Sheet1\": column C width set to 20 characters", [](const auto& b) { return b.widthSet(3); }},
      {"sheet \"Sheet1\": renamed \"新表\"", [](const auto& b) { return b.sheet == "新表"; }},
      {"sheet \"新表\", cell A2: \"张三\" → empty", nullptr},
      {"sheet \"新表\", cell B2: 3 → empty", nullptr},
      {"sheet \"新表\", cell C3: empty → \"改过\"", nullptr},
  };
  const auto rows = ReadReport(dir / "r.jsonl").rows;
  ASSERT_EQ(rows.size(), 2u);
  const std::regex cellChange(R"(sheet "新表", cell ([A-Z]+)([0-9]+): (.*) → (.*))");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.source);
    const ReadBack book = row.source.ends_with(".xls") ? ReadXls(row.output) : ReadXlsx(row.output);
    for (const auto& [line, check] : expected) {
      EXPECT_EQ(std::ranges::count(row.changes, line), 1) << line;
      if (check) {
        EXPECT_TRUE(check(book)) << line;
      }
    }
    // The merge may move or drop the values it covers: whatever is listed is what is there.
    for (const auto& line : row.changes) {
      std::smatch m;
      if (!std::regex_match(line, m, cellChange)) continue;
      const int column = m[1].str()[0] - 'A' + 1;
      EXPECT_EQ(book.value(std::stoi(m[2]), column), Shown(m[4])) << line;
    }
  }
}

// A list cut to the first few says how many there are; asked for all, it holds all.
TEST(ChangesColumn, CutToTheFirstTwentyWithTheCountOfTheRest) {
  verify::XlsContent source, saved;
  source.sheets.resize(1);
  source.sheets[0].name = "S";
  for (int row = 1; row <= 30; ++row) {
    source.sheets[0].cells[{row, 1}].kind = verify::ValueKind::Number;
    source.sheets[0].cells[{row, 1}].text = "1";
  }
  saved.sheets = {source.sheets[0]};
  saved.sheets[0].cells.clear();
  verify::Edit clear;
  clear.action = verify::Edit::CellsAction::Cleared;
  clear.firstRow = 1, clear.lastRow = 40, clear.firstColumn = 1, clear.lastColumn = 2;
  const verify::EditFootprint footprint{"S", {clear}};
  const Lines cut = verify::ListChanges(source, saved, footprint).lines();
  ASSERT_EQ(cut.size(), 21u);
  EXPECT_EQ(cut[0], "sheet \"S\": A1:B40 cleared");
  EXPECT_EQ(cut[1], "sheet \"S\", cell A1: 1 → empty");
  EXPECT_EQ(cut[20], "… 11 more (31 in all)");
  EXPECT_EQ(verify::ListChanges(source, saved, footprint, SIZE_MAX).lines().size(), 31u);
  EXPECT_EQ(verify::ListEdits(footprint).lines(), Lines{"the active sheet: A1:B40 cleared"});
}

// --preview 2: the first two workbooks of the plan edited and described on
// standard output; nothing written in the tree, the current folder or the
// temporary folder; --only takes the one named instead, --no-verify lists the edits alone.
TEST(Preview, PrintsTheChangesAndLeavesNoFileBehind) {
  test::TempDir dir;
  for (const char* name : {"src/a.xls", "src/b.xls", "src/sub/c.xls"}) test::WriteTableWorkbook(dir / name, kTable);
  std::ofstream(dir / "rules.txt") << "2|B|预览值\n{插入行}|正行|2\n";
  fs::create_directories(dir.path() / "cwd");
  fs::create_directories(dir.path() / "tmp");
  const std::string before = dir.listing();
  const std::string sourceBytes = test::ReadFile(dir / "src/a.xls");
  const auto preview = [&](const Lines& extra) {
    const Lines command = test::Plus({"-C", dir / "cwd", "-u", "LANGUAGE", "LC_ALL=C.UTF-8", "TMPDIR=" + dir / "tmp",
                                      SHEETWISE_BATCH_BINARY, "--source", dir / "src", "--rules", dir / "rules.txt"}, extra);
    auto program = test::StartProgram("/usr/bin/env", command, true);
    const std::string said = test::ReadOutput(program);
    EXPECT_EQ(test::WaitForExit(program.pid), 0) << said;
    return said;
  };
  const std::string said = preview({"--preview", "2"});
  for (const std::string& line : {dir / "src/a.xls", dir / "src/b.xls", std::string("  outcome: processed"),
                                  std::string("    sheet \"Sheet1\": row 2 inserted"),
                                  std::string("    sheet \"Sheet1\", cell B3: 3 → \"预览值\"")}) {
    EXPECT_EQ(test::CountOf(said, line + "\n"), 2u - (line.starts_with(dir / "src") ? 1 : 0)) << line << "\n" << said;
  }
  EXPECT_EQ(test::CountOf(said, "c.xls"), 0u) << said;
  EXPECT_EQ(test::CountOf(preview({"--preview", "2", "--only", dir / "src/sub/c.xls"}), dir / "src/sub/c.xls\n"), 1u);
  // Without the check nothing is read: the rules' edits alone, without values.
  const std::string unread = preview({"--preview", "1", "--no-verify"});
  for (const char* line : {"the check of the save: not made (--no-verify)", "sheet \"Sheet1\": cell B2 written (values not read)",
                           "the active sheet: row 2 inserted"}) {
    EXPECT_EQ(test::CountOf(unread, line), 1u) << line << "\n" << unread;
  }
  EXPECT_EQ(dir.listing(), before);
  EXPECT_EQ(test::ReadFile(dir / "src/a.xls"), sourceBytes);
  EXPECT_TRUE(fs::is_empty(dir / "cwd"));
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

}  // namespace
}  // namespace sheetwise::batch

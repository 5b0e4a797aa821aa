#include "ReportWorkbooks.h"

#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace sheetwise::bench {
namespace fs = std::filesystem;

namespace {

const char* const kFamilyNames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴", "徐", "孙"};
const char* const kGivenNames[] = {"伟", "芳", "娜", "敏", "静", "磊", "洋",
                                   "勇", "艳", "杰", "涛", "明", "超", "秀英"};
const char* const kDepartments[] = {"销售部", "市场部", "财务部", "华东区", "华南区", "采购部"};
const char* const kProducts[] = {"办公桌椅", "打印纸", "笔记本电脑", "墨盒",
                                 "投影仪",   "文件柜", "服务器维护"};
const char* const kLatinFamily[] = {"Zhang", "Wang", "Li", "Zhao", "Liu", "Chen", "Yang", "Huang", "Zhou", "Wu"};
const char* const kLatinGiven[] = {"Wei", "Fang", "Na", "Min", "Jing", "Lei", "Yang", "Yong", "Yan", "Jie"};
const char* const kLatinDepartments[] = {"Sales", "Marketing", "Finance", "East", "South", "Purchasing"};
const char* const kLatinProducts[] = {"Desks", "Paper", "Laptops", "Ink", "Projectors", "Cabinets", "Servers"};

template <size_t N>
const char* Pick(std::mt19937& random, const char* const (&items)[N]) {
  return items[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

const char* const kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:font-face-decls><style:font-face style:name="宋体" svg:font-family="宋体"/></office:font-face-decls>
<office:styles>
 <style:default-style style:family="table-cell">
  <style:text-properties style:font-name="宋体" fo:font-size="11pt" style:font-name-asian="宋体"
   style:font-size-asian="11pt" style:font-name-complex="宋体" style:font-size-complex="11pt"/>
 </style:default-style>
</office:styles>
<office:automatic-styles>
 <number:date-style style:name="Ndate"><number:year number:style="long"/><number:text>-</number:text>
  <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <number:number-style style:name="Namount"><number:number number:decimal-places="2" number:min-integer-digits="1"
  number:grouping="true"/></number:number-style>
 <style:style style:name="co1" style:family="table-column">
  <style:table-column-properties style:column-width="2.6cm"/></style:style>
 <style:style style:name="title" style:family="table-cell"><style:table-cell-properties style:vertical-align="middle"/>
  <style:paragraph-properties fo:text-align="center"/><style:text-properties fo:font-size="16pt" fo:font-weight="bold"
  style:font-size-asian="16pt" style:font-weight-asian="bold"/></style:style>
 <style:style style:name="head" style:family="table-cell"><style:table-cell-properties fo:background-color="#d9e1f2"
  fo:border="0.5pt solid #000000"/><style:paragraph-properties fo:text-align="center"/>
  <style:text-properties fo:font-weight="bold" style:font-weight-asian="bold"/></style:style>
 <style:style style:name="cell" style:family="table-cell">
  <style:table-cell-properties fo:border="0.5pt solid #000000"/></style:style>
 <style:style style:name="date" style:family="table-cell" style:data-style-name="Ndate">
  <style:table-cell-properties fo:border="0.5pt solid #000000"/></style:style>
 <style:style style:name="amount" style:family="table-cell" style:data-style-name="Namount">
  <style:table-cell-properties fo:border="0.5pt solid #000000"/></style:style>
 <style:style style:name="total" style:family="table-cell" style:data-style-name="Namount">
  <style:table-cell-properties fo:border="0.5pt solid #000000"/>
  <style:text-properties fo:font-weight="bold" style:font-weight-asian="bold"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>
)";

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

std::string TextCell(const std::string& style, const std::string& text) {
  return "<table:table-cell table:style-name=\"" + style + "\" office:value-type=\"string\"><text:p>" + Escaped(text) +
         "</text:p></table:table-cell>";
}

std::string NumberCell(const std::string& style, double value, const std::string& formula = "") {
  char number[64];
  std::snprintf(number, sizeof number, "%.2f", value);
  std::string cell = "<table:table-cell table:style-name=\"" + style + "\"";
  if (!formula.empty()) cell += " table:formula=\"" + Escaped(formula) + "\"";
  return cell + " office:value-type=\"float\" office:value=\"" + number + "\"/>";
}

enum class Computed { None, Text, Number };

// One workbook's flat OpenDocument text.
std::string ReportDocument(int index, bool latin) {
  std::mt19937 random(static_cast<unsigned>(index) * 7919u + 17u);
  const int rows = std::uniform_int_distribution<int>(20, 500)(random);
  const Computed computed = index % 2 == 0 ? Computed::None : index % 4 == 1 ? Computed::Text : Computed::Number;
  const int columns = computed == Computed::None ? 6 : 7;
  const int first = 3;  // the first data row
  const int last = first + rows - 1;
  std::ostringstream doc;
  doc << kHead << "<table:table table:name=\"Sheet1\"><table:table-column table:style-name=\"co1\" "
      << "table:number-columns-repeated=\"" << columns << "\"/>\n";
  const std::string title = latin ? "Quarterly sales report " + std::to_string(index)
                                  : "2024年第" + std::to_string(index % 4 + 1) + "季度销售报表（" +
                                        Pick(random, kDepartments) + "）";
  doc << "<table:table-row><table:table-cell table:style-name=\"title\" office:value-type=\"string\" "
      << "table:number-columns-spanned=\"" << columns << "\"><text:p>" << Escaped(title) << "</text:p>"
      << "</table:table-cell><table:covered-table-cell table:number-columns-repeated=\"" << columns - 1
      << "\"/></table:table-row>\n<table:table-row>";
  const char* const heads[] = {"序号", "日期", "姓名", "部门", "产品", "金额", "等级"};
  const char* const latinHeads[] = {"No.", "Date", "Name", "Department", "Product", "Amount", "Grade"};
  for (int c = 0; c < columns; ++c) {
    doc << TextCell("head", latin ? latinHeads[c] : computed == Computed::Number && c == 6 ? "税额" : heads[c]);
  }
  doc << "</table:table-row>\n";
  double total = 0;
  double computedTotal = 0;
  for (int r = first; r <= last; ++r) {
    const double amount = std::uniform_int_distribution<int>(100, 2000000)(random) / 100.0;
    const int day = std::uniform_int_distribution<int>(1, 28)(random);
    const int month = std::uniform_int_distribution<int>(1, 12)(random);
    char date[16];
    std::snprintf(date, sizeof date, "2024-%02d-%02d", month, day);
    const std::string name = latin ? std::string(Pick(random, kLatinFamily)) + " " + Pick(random, kLatinGiven)
                                   : std::string(Pick(random, kFamilyNames)) + Pick(random, kGivenNames);
    doc << "<table:table-row>" << NumberCell("cell", r - first + 1)
        << "<table:table-cell table:style-name=\"date\" office:value-type=\"date\" office:date-value=\"" << date
        << "\"><text:p>" << date << "</text:p></table:table-cell>" << TextCell("cell", name)
        << TextCell("cell", latin ? Pick(random, kLatinDepartments) : Pick(random, kDepartments))
        << TextCell("cell", latin ? Pick(random, kLatinProducts) : Pick(random, kProducts))
        << NumberCell("amount", amount);
    total += amount;
    const std::string at = "[.F" + std::to_string(r) + "]";
    if (computed == Computed::Text) {
      const bool large = amount >= 10000;
      const std::string grade = latin ? (large ? "large" : "normal") : (large ? "大额" : "常规");
      const std::string formula = "of:=IF(" + at + ">=10000;\"" + (latin ? "large" : "大额") + "\";\"" +
                                  (latin ? "normal" : "常规") + "\")";
      doc << "<table:table-cell table:style-name=\"cell\" table:formula=\"" << Escaped(formula)
          << "\" office:value-type=\"string\" office:string-value=\"" << Escaped(grade) << "\"><text:p>"
          << Escaped(grade) << "</text:p></table:table-cell>";
    } else if (computed == Computed::Number) {
      doc << NumberCell("amount", amount * 0.13, "of:=" + at + "*0.13");
      computedTotal += amount * 0.13;
    }
    doc << "</table:table-row>\n";
  }
  const std::string span = std::to_string(first) + ":.F" + std::to_string(last);
  doc << "<table:table-row>" << TextCell("total", latin ? "Total" : "合计");
  for (int c = 1; c < 5; ++c) doc << "<table:table-cell table:style-name=\"total\"/>";
  doc << NumberCell("total", total, "of:=SUM([.F" + span + "])");
  if (computed == Computed::Text) {
    doc << NumberCell("total", 0, "of:=COUNTIF([.G" + std::to_string(first) + ":.G" + std::to_string(last) + "];\"" +
                                       (latin ? "large" : "大额") + "\")");
  } else if (computed == Computed::Number) {
    doc << NumberCell("total", computedTotal,
                      "of:=SUM([.G" + std::to_string(first) + ":.G" + std::to_string(last) + "])");
  }
  doc << "</table:table-row>\n</table:table>\n"
      << "<table:table table:name=\"Sheet2\"><table:table-row><table:table-cell/></table:table-row></table:table>\n"
      << "<table:table table:name=\"Sheet3\"><table:table-row><table:table-cell/></table:table-row></table:table>\n"
      << "</office:spreadsheet></office:body></office:document>\n";
  return doc.str();
}

void Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("the office's converter failed");
  }
}

}  // namespace

std::vector<std::string> MakeReportWorkbooks(const fs::path& folder, int count, const BenchFormat& format,
                                             bool latin) {
  const fs::path scratch = folder / ".made";
  fs::create_directories(scratch / "converted");
  std::vector<std::string> args{SHEETWISE_LO_PROGRAM "/soffice",
                                "-env:UserInstallation=file://" + (scratch / "profile").string(),
                                "--headless",
                                "--norestore",
                                "--convert-to",
                                format.converterTarget(),
                                "--outdir",
                                (scratch / "converted").string()};
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "report_%03d", i);
    const fs::path document = scratch / (std::string(name) + ".fods");
    std::ofstream(document, std::ios::binary) << ReportDocument(i, latin);
    args.push_back(document.string());
  }
  Run(args);
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "report_%03d", i);
    const std::string name = stem + format.extension;
    const fs::path target = folder / ("d" + std::to_string(i % 5)) / name;
    fs::create_directories(target.parent_path());
    fs::rename(scratch / "converted" / name, target);
    files.push_back(target.string());
  }
  fs::remove_all(scratch);
  return files;
}

}  // namespace sheetwise::bench

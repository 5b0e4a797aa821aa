#include "cli/RunReport.h"

#include "extract/CsvWriter.h"
#include "rules/RuleString.h"
#include "rules/Utf8Text.h"

namespace sheetwise::batch {
namespace {

// Differences in one CSV field, one per line.
std::string JoinedDifferences(const std::vector<std::string>& differences) {
  std::string text;
  for (const auto& difference : differences) text += (text.empty() ? "" : "\n") + difference;
  return text;
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : rules::ValidUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c == '\t') {
      json += "\\t";
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 0xF];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace

const char* OutcomeName(ReportOutcome outcome) {
  switch (outcome) {
    case ReportOutcome::Processed:
      return "processed";
    case ReportOutcome::Vetoed:
      return "vetoed";
    case ReportOutcome::Failed:
      return "failed";
    case ReportOutcome::Skipped:
      return "skipped";
    case ReportOutcome::NotStarted:
      return "not started";
  }
  return "";
}

std::string CsvReportRow(const ReportRow& row, extract::CsvTexts texts) {
  const auto field = [texts](const std::string& text) { return extract::CsvField(rules::ValidUtf8(text), texts); };
  return field(row.source) + ',' + OutcomeName(row.outcome) + ',' + field(row.output) + ',' + field(row.reason) + ',' +
         field(JoinedDifferences(row.differences)) + ',' + rules::FixedNumberText(row.seconds, 2) + "\r\n";
}

std::string JsonReportRow(const ReportRow& row) {
  std::string differences = "[";
  for (const auto& difference : row.differences) {
    differences += (differences.size() > 1 ? "," : "") + JsonString(difference);
  }
  return "{\"source\":" + JsonString(row.source) + ",\"outcome\":\"" + OutcomeName(row.outcome) +
         "\",\"output\":" + JsonString(row.output) + ",\"reason\":" + JsonString(row.reason) +
         ",\"differences\":" + differences + "],\"seconds\":" + rules::FixedNumberText(row.seconds, 2) + "}\n";
}

RunReport::RunReport(const std::filesystem::path& path, extract::CsvTexts texts)
    : out_(path), json_(path.extension() == ".jsonl"), texts_(texts) {
  if (!json_) out_.write("source,outcome,output,reason,differences,seconds\r\n");
}

bool RunReport::add(const ReportRow& row) { return out_.write(json_ ? JsonReportRow(row) : CsvReportRow(row, texts_)); }

}  // namespace sheetwise::batch

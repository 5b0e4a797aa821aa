#include "cli/RunReport.h"

#include <algorithm>

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

// A list of texts, as the report writes its lists.
std::string JsonList(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const auto& text : texts) list += (list.size() > 1 ? "," : "") + JsonString(text);
  return list + "]";
}

std::string SizeText(const std::optional<FileStamp>& stamp) { return stamp ? std::to_string(stamp->size) : ""; }

std::string ModifiedOf(const std::optional<FileStamp>& stamp) { return stamp ? ModifiedText(*stamp) : ""; }

}  // namespace

const char* const kReportCsvHeader =
    "source,outcome,output,reason,differences,seconds,digest,finished,size,modified,sha256,original,changes";

std::string ModifiedText(const FileStamp& stamp) {
  const std::string nanoseconds = std::to_string(stamp.nanoseconds);
  return std::to_string(stamp.seconds) + '.' + std::string(9 - std::min<size_t>(9, nanoseconds.size()), '0') +
         nanoseconds;
}

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
    case ReportOutcome::Unchecked:
      return "unchecked";
  }
  return "";
}

ReportOutcome ReportOutcomeOf(Outcome outcome) {
  static constexpr ReportOutcome kOutcomes[] = {ReportOutcome::Processed, ReportOutcome::Vetoed, ReportOutcome::Failed,
                                                ReportOutcome::Skipped, ReportOutcome::Unchecked};
  return kOutcomes[static_cast<int>(outcome)];
}

std::string CsvReportRow(const ReportRow& row, extract::CsvTexts texts) {
  const auto field = [texts](const std::string& text) { return extract::CsvField(rules::ValidUtf8(text), texts); };
  return field(row.source) + ',' + OutcomeName(row.outcome) + ',' + field(row.output) + ',' + field(row.reason) + ',' +
         field(JoinedDifferences(row.differences)) + ',' + rules::FixedNumberText(row.seconds, 2) + ',' +
         field(row.digest) + ',' + field(row.finished) + ',' + SizeText(row.stamp) + ',' + ModifiedOf(row.stamp) + ',' +
         field(row.sha256) + ',' + field(row.original) + ',' + field(JsonList(row.changes)) + "\r\n";
}

std::string JsonReportRow(const ReportRow& row) {
  return "{\"source\":" + JsonString(row.source) + ",\"outcome\":\"" + OutcomeName(row.outcome) +
         "\",\"output\":" + JsonString(row.output) + ",\"reason\":" + JsonString(row.reason) +
         ",\"differences\":" + JsonList(row.differences) + ",\"seconds\":" + rules::FixedNumberText(row.seconds, 2) +
         ",\"digest\":" + JsonString(row.digest) + ",\"finished\":" + JsonString(row.finished) +
         ",\"size\":" + (row.stamp ? SizeText(row.stamp) : "null") +
         ",\"modified\":" + (row.stamp ? JsonString(ModifiedOf(row.stamp)) : "null") +
         ",\"sha256\":" + JsonString(row.sha256) + ",\"original\":" + JsonString(row.original) +
         ",\"changes\":" + JsonList(row.changes) + "}\n";
}

RunReport::RunReport(const std::filesystem::path& path, extract::CsvTexts texts)
    : out_(path), json_(path.extension() == ".jsonl"), texts_(texts) {
  if (!json_) out_.write(std::string(kReportCsvHeader) + "\r\n");
}

RunReport::RunReport(const std::filesystem::path& path, std::uintmax_t keptBytes, extract::CsvTexts texts)
    : out_(path, keptBytes), json_(path.extension() == ".jsonl"), texts_(texts) {
  if (!json_ && keptBytes == 0) out_.write(std::string(kReportCsvHeader) + "\r\n");
}

bool RunReport::add(const ReportRow& row) { return out_.write(json_ ? JsonReportRow(row) : CsvReportRow(row, texts_)); }

}  // namespace sheetwise::batch

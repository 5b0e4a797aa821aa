#include "batch/RunReport.h"

#include <cerrno>
#include <stdexcept>

#include "extract/CsvWriter.h"
#include "host/FailureReason.h"
#include "rules/RuleString.h"

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
  for (const char c : ValidUtf8(text)) {
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

// Length of the UTF-8 sequence starting at text[i], 0 when it is not one.
size_t SequenceLength(const std::string& text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 && lead >= 0xC2 ? 2 : (lead >> 4) == 0xE ? 3
                                   : (lead >> 3) == 0x1E && lead <= 0xF4      ? 4
                                                                              : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return 0;
  }
  return length;
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

std::string ValidUtf8(const std::string& text) {
  std::string valid;
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    if (length == 0) {
      valid += "\xEF\xBF\xBD";
      ++i;
    } else {
      valid.append(text, i, length);
      i += length;
    }
  }
  return valid;
}

std::string CsvReportRow(const ReportRow& row) {
  using extract::CsvField;
  return CsvField(ValidUtf8(row.source)) + ',' + OutcomeName(row.outcome) + ',' + CsvField(ValidUtf8(row.output)) +
         ',' + CsvField(ValidUtf8(row.reason)) + ',' + CsvField(ValidUtf8(JoinedDifferences(row.differences))) + ',' +
         rules::FixedNumberText(row.seconds, 2) + "\r\n";
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

RunReport::RunReport(const std::filesystem::path& path)
    : out_(path, std::ios::binary | std::ios::trunc), json_(path.extension() == ".jsonl") {
  if (!out_) throw std::runtime_error(host::ReasonForError(errno, host::FileAction::ReplaceFile, path.string()));
  if (!json_) out_ << "source,outcome,output,reason,differences,seconds\r\n" << std::flush;
}

void RunReport::add(const ReportRow& row) {
  out_ << (json_ ? JsonReportRow(row) : CsvReportRow(row)) << std::flush;
}

}  // namespace sheetwise::batch

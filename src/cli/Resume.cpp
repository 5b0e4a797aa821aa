#include "cli/Resume.h"

#include <cinttypes>
#include <cstdio>
#include <stdexcept>

#include "batch/Shards.h"
#include "cli/BatchOptions.h"
#include "cli/ReportReader.h"
#include "host/Clock.h"
#include "host/SafeStore.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

// Each field with its length before it, so that no two lists of fields read the same.
void AddField(std::string& text, const std::string& field) { text += std::to_string(field.size()) + ':' + field; }

bool IsDone(const ReportRow& row) { return !row.digest.empty() && row.stamp.has_value(); }

}  // namespace

std::string RunDigest(const RunSettings& settings, bool extract) {
  std::string text;
  const auto& n = settings.naming;
  for (const std::string& field :
       {std::string("sheetwise-batch"), std::string(SHEETWISE_VERSION),
        std::string(extract ? "extract" : settings.inPlace ? "in-place" : "save"), settings.sheetName, settings.veto.row,
        settings.veto.column, settings.veto.value, n.sourceFolder, n.saveFolder, n.nameFrom, n.nameTo, n.pathFrom,
        n.pathTo, n.namePrefix, std::to_string(settings.rules.size())}) {
    AddField(text, field);
  }
  for (const auto& rule : settings.rules) AddField(text, rule.text);
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, Fnv1a64(text));
  return hex;
}

std::optional<FileStamp> StampOf(const fs::path& path) {
  const auto identity = host::IdentityOf(path);
  if (!identity) return std::nullopt;
  return FileStamp{identity->size, identity->modified.tv_sec, identity->modified.tv_nsec};
}

void StampRow(ReportRow& row, const std::string& digest, const std::string& now) {
  row.digest = digest;
  if (row.outcome != ReportOutcome::Processed && row.outcome != ReportOutcome::Vetoed) return;
  row.finished = now;
  row.stamp = StampOf(row.source);
}

fs::path JournalPathOf(const fs::path& report) {
  return report.parent_path() / (report.stem().string() + ".saving" + report.extension().string());
}

ResumePoint::ResumePoint(const fs::path& report, const std::string& digest) {
  try {
    const ReportFile earlier = ReadReport(report);
    wholeBytes_ = earlier.wholeBytes;
    std::vector<ReportRow> rows = earlier.rows;
    std::error_code ec;
    if (fs::exists(JournalPathOf(report), ec)) {
      for (auto& row : ReadReport(JournalPathOf(report)).rows) rows.push_back(std::move(row));
    }
    for (auto& row : rows) {
      if (IsDone(row) && row.digest == digest) done_[row.source] = std::move(row);
    }
  } catch (const ReportUnreadable& e) {
    throw UsageError("--resume: " + std::string(e.what()));
  }
}

std::optional<ReportRow> ResumePoint::doneRow(const std::string& source) const {
  const auto found = done_.find(source);
  if (found == done_.end() || StampOf(source) != found->second.stamp) return std::nullopt;
  const ReportRow& earlier = found->second;
  std::error_code ec;
  if (!earlier.output.empty() && !fs::exists(earlier.output, ec)) return std::nullopt;  // its copy is gone
  return ReportRow{source,         ReportOutcome::Skipped, earlier.output, Tr("already processed at %s", {earlier.finished}),
                   {},             0,                      earlier.digest, earlier.finished,
                   earlier.stamp};
}

std::vector<ReportRow> ResumePoint::takeDone(std::vector<std::string>& queue) const {
  std::vector<ReportRow> rows;
  std::vector<std::string> left;
  for (auto& source : queue) {
    if (auto row = doneRow(source)) {
      rows.push_back(std::move(*row));
    } else {
      left.push_back(std::move(source));
    }
  }
  queue = std::move(left);
  return rows;
}

SaveJournal::SaveJournal(const fs::path& report, std::string digest)
    : path_(JournalPathOf(report)), digest_(std::move(digest)) {}

void SaveJournal::beforeReplace(const std::string& source, const std::string& written) {
  std::lock_guard lock(mutex_);
  if (!rows_) {
    std::uintmax_t kept = 0;  // the rows of an earlier run killed before it removed its journal
    try {
      kept = ReadReport(path_).wholeBytes;
    } catch (const ReportUnreadable&) {
    }
    rows_ = std::make_unique<RunReport>(path_, kept);
  }
  host::SystemClock clock;
  // Unrecorded, a replacement could be made twice by a resumed run: none is made.
  if (!rows_->add({source, ReportOutcome::Processed, source, "", {}, 0, digest_, host::DateTimeText(clock.now()),
                   StampOf(written)})) {
    throw std::runtime_error(Tr("the save journal cannot be written: %s", {rows_->failure().value_or("")}));
  }
}

void SaveJournal::finish() {
  std::lock_guard lock(mutex_);
  rows_.reset();
  std::error_code ec;
  fs::remove(path_, ec);
}

}  // namespace sheetwise::batch

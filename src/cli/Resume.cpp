#include "cli/Resume.h"

#include <glib.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
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

bool IsDone(const ReportRow& row) { return !row.digest.empty() && row.stamp.has_value() && !row.sha256.empty(); }

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

std::string Sha256Of(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(g_checksum_new(G_CHECKSUM_SHA256),
                                                                   &g_checksum_free);
  std::vector<char> buffer(1 << 16);
  do {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(buffer.data()), in.gcount());
  } while (in);
  return in.bad() ? "" : g_checksum_get_string(sum.get());
}

void StampRow(ReportRow& row, const std::string& digest, const std::string& now) {
  row.digest = digest;
  if (row.outcome != ReportOutcome::Processed && row.outcome != ReportOutcome::Vetoed) return;
  row.finished = now;
  row.stamp = StampOf(row.source);
  row.sha256 = Sha256Of(row.output.empty() ? row.source : row.output);
}

fs::path JournalPathOf(const fs::path& report) {
  return report.parent_path() / (report.stem().string() + ".saving" + report.extension().string());
}

ResumePoint::ResumePoint(const fs::path& report, const std::string& digest, bool inPlace) : inPlace_(inPlace) {
  try {
    const ReportFile earlier = ReadReport(report);
    wholeBytes_ = earlier.wholeBytes;
    for (const auto& row : earlier.rows) {
      if (row.digest == digest) add(row, true);
      if (row.outcome == ReportOutcome::Skipped && row.digest.empty()) passedOver_.insert({row.source, row.reason});
    }
    std::error_code ec;
    if (fs::exists(JournalPathOf(report), ec)) {
      for (auto& row : ReadReport(JournalPathOf(report)).rows) {
        if (row.digest == digest) add(std::move(row), false);
      }
    }
  } catch (const ReportUnreadable& e) {
    throw UsageError("--resume: " + std::string(e.what()));
  }
}

void ResumePoint::add(ReportRow row, bool inReport) {
  if (!IsDone(row)) return;
  if (inReport) listed_.insert(row.source);
  if (inPlace_) sizes_.insert(row.stamp->size);
  std::string key = inPlace_ ? row.sha256 : row.source;
  done_[std::move(key)] = std::move(row);
}

// Whatever its name, size or time: a source that holds what a done workbook was left holding.
const ReportRow* ResumePoint::doneInPlace(const std::string& source) const {
  const auto stamp = StampOf(source);
  if (!stamp || !sizes_.contains(stamp->size)) return nullptr;
  const auto found = done_.find(Sha256Of(source));
  return found == done_.end() ? nullptr : &found->second;
}

// A source unchanged since, whose copy still holds what was written.
const ReportRow* ResumePoint::doneCopy(const std::string& source) const {
  const auto found = done_.find(source);
  if (found == done_.end() || StampOf(source) != found->second.stamp) return nullptr;
  const ReportRow& earlier = found->second;
  if (Sha256Of(earlier.output.empty() ? source : earlier.output) != earlier.sha256) return nullptr;
  return &earlier;
}

std::vector<DoneWorkbook> ResumePoint::takeDone(WorkbookPaths& queue) const {
  std::vector<DoneWorkbook> done;
  queue.keepIf([&](std::size_t index) {
    const std::string source = queue[index];
    const ReportRow* earlier = inPlace_ ? doneInPlace(source) : doneCopy(source);
    if (!earlier) return true;
    ReportRow row{source,          ReportOutcome::Skipped, inPlace_ ? source : earlier->output,
                  Tr("already processed at %s", {earlier->finished}),
                  {},              0,                      earlier->digest,
                  earlier->finished, StampOf(source),      earlier->sha256};
    done.push_back({std::move(row), listed_.contains(source)});
    return false;
  });
  return done;
}

SaveJournal::SaveJournal(const fs::path& report, std::string digest)
    : path_(JournalPathOf(report)), digest_(std::move(digest)) {}

void SaveJournal::beforeReplace(const std::string& source, const std::string& written, const std::string& original) {
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
                   StampOf(written), Sha256Of(written), original})) {
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
